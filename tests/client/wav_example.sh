#!/usr/bin/env bash
# examples/wav_client.py on a recording with a known tone, made with sox: the best peak's
# frequency, as the readers work it out from the record, is within one bin of the tone, and
# the record it leaves passes orvane-inspect --lint.
# Usage: wav_example.sh SOURCE_DIR LIBRARY INSPECT
set -euo pipefail
source_dir=$1
export ORVANE_CLIENT_LIBRARY=$2
inspect=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tone=1234
# Four seconds of white noise with the tone mixed in.
sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 4 whitenoise vol 0.2 synth 4 sine mix $tone vol 0.5
PYTHONPATH=$source_dir/python PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$source_dir/examples/wav_client.py" \
  "$work/tone.wav" --fast --name "orvane_wav_$$" --dump "$work/record.bin"
"$inspect" --record "$work/record.bin" --lint >"$work/lint.txt" || { cat "$work/lint.txt"; exit 1; }
/usr/bin/python3 - "$work/record.bin" $tone <<'PY'
import struct, sys
record = open(sys.argv[1], "rb").read()
tone = float(sys.argv[2])
bandwidth = struct.unpack_from("<d", record, 424)[0]
wrap = struct.unpack_from("<i", record, 436)[0]
power, score, freq_bin, time_bin, drift, n = struct.unpack_from("<ffiifi", record, 3284)
# The readers' peak frequency: bins from n - n / (2 w) on are negative frequencies.
k = freq_bin if freq_bin < n - n // (2 * wrap) else freq_bin - n
shown = k * bandwidth / n
step = bandwidth / n
assert abs(shown - tone) <= step, "best peak at %.1f Hz, the tone is %.1f Hz (a bin is %.2f Hz)" % (shown, tone, step)
print("best peak %.1f Hz for a tone of %.1f Hz, within one bin of %.2f Hz" % (shown, tone, step))
PY
