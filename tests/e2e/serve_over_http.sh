#!/usr/bin/env bash
# orvane-serve.exe on the Windows HTTP Server API, reading orvane-sim.exe's record as a passive
# reader, fetched from the Linux side with curl: the token, the metrics and the JSON of the
# live record, a change written into the record followed without a flag of it lowered, the
# picture through WIC, and the size limits answered as on Linux.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup serve_over_http

[[ -f "$e2e_bin_dir/orvane-serve.exe" ]] || e2e_fail "missing $e2e_bin_dir/orvane-serve.exe"
command -v curl >/dev/null || e2e_fail "curl is missing (scripts/bootstrap installs it)"
echo "farm-token-7" >"$E2E_WORK/token"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port"
auth=(-H "Authorization: Bearer farm-token-7")
get() { curl -s --max-time 10 "${auth[@]}" "$@"; }
code() { curl -s --max-time 10 -o /dev/null -w '%{http_code}' "$@"; }
# The value of metric $1 of the record orvane-sim.exe publishes.
metric() { get "$base/metrics" | tr -d '\r' | sed -n "s/^$1{record=\"orvane_share\",label=\"[^\"]*\"} //p"; }

e2e_start_sim --scenario steady --rate 5 --seed 23
e2e_start_wine serve "$e2e_bin_dir/orvane-serve.exe" --listen "127.0.0.1:$port" --token "$(e2e_winpath "$E2E_WORK/token")" \
  --header "$(e2e_winpath "$e2e_source_dir/resources/header.bmp")"
_present() { [[ $(metric orvane_record_present) == 1 ]]; }
e2e_poll 40 _present || e2e_fail "no metrics with the record present from $base"

[[ $(code "$base/metrics") == 401 ]] || e2e_fail "a request without the token was not refused"
[[ $(code "$base/status.json?token=farm-token-7") == 200 ]] || e2e_fail "the token in the query was refused"
[[ $(code "${auth[@]}" "$base/nope") == 404 ]] || e2e_fail "an unknown path was not 404"
[[ $(code "${auth[@]}" "$base/status.png?scale=9") == 400 ]] || e2e_fail "scale=9 was not refused"
[[ $(code "${auth[@]}" "$base/$(printf 'a%.0s' $(seq 20000))") == 414 ]] || e2e_fail "a long target was not 414"
head -c 5000 /dev/zero | tr '\0' x >"$E2E_WORK/body"
[[ $(code "${auth[@]}" --data-binary "@$E2E_WORK/body" "$base/status.json") == 413 ]] || e2e_fail "a body over the limit was not 413"
# Wine's http.sys drops the connection of a request whose body outgrows its own buffer, before
# the request is queued; either way the server goes on answering.
head -c 1048576 /dev/zero | tr '\0' x >"$E2E_WORK/body"
huge=$(code "${auth[@]}" --data-binary "@$E2E_WORK/body" "$base/status.json")
[[ $huge == 413 || $huge == 000 ]] || e2e_fail "a body of a megabyte got $huge"
[[ $(code "${auth[@]}" "$base/metrics") == 200 ]] || e2e_fail "no answer after a large body"
get -D "$E2E_WORK/headers" -o /dev/null "$base/metrics"
if ! grep -qi '^Cache-Control: no-store' "$E2E_WORK/headers" ||
  ! grep -qi '^Content-Type: text/plain; version=0.0.4' "$E2E_WORK/headers"; then
  e2e_fail "the metrics' headers: $(cat "$E2E_WORK/headers")"
fi

# The JSON of the simulated client's record.
get "$base/status.json?samples=0" >"$E2E_WORK/status.json"
python3 - "$E2E_WORK/status.json" <<'PY' || e2e_fail "status.json: $(head -c 400 "$E2E_WORK/status.json")"
import json, sys
s = json.load(open(sys.argv[1]))
assert s["present"] and s["waiting_line"] is None, s
assert s["user"]["name"] and s["user"]["units_completed"] >= 0, s["user"]
assert 0 <= s["progress"]["ratio"] <= 1 and s["graph"]["rows"] is None, s
assert s["reader"]["saver_attached"] == 0, s["reader"]
PY

# A message written into the record reaches the metrics; its flag stays raised, as nothing of
# the record is written by a passive reader.
e2e_poke message_on=1 message_changed=1 || e2e_fail "record-poke failed"
_message() { [[ $(metric orvane_message_on) == 1 ]]; }
e2e_poll 20 _message || e2e_fail "the message written into the record did not reach the metrics"
e2e_expect_field message_changed 1 "orvane-serve lowered a flag of the record"
e2e_expect_field saver_attached 0 "orvane-serve marked itself attached"

# The picture: the header image in its corner pixel for pixel (so the colours are in their
# order), twice the size on asking, and a new one once the client moved on.
get -o "$E2E_WORK/one.png" "$base/status.png"
[[ $("$e2e_convert" "$E2E_WORK/one.png" -format '%wx%h' info:) == 752x445 ]] || e2e_fail "status.png is not 752x445"
"$e2e_convert" "$E2E_WORK/one.png" -crop 500x41+0+0 +repage "png24:$E2E_WORK/header-served.png" ||
  e2e_fail "cannot crop status.png"
differ=$("$e2e_compare" -metric AE "$E2E_WORK/header-served.png" "$e2e_source_dir/resources/header.bmp" null: 2>&1)
[[ $differ == 0 ]] || e2e_fail "the served header differs from header.bmp in $differ pixels"
get -o "$E2E_WORK/a.png" "$base/status.png?scale=2"
[[ $("$e2e_convert" "$E2E_WORK/a.png" -format '%wx%h' info:) == 1504x890 ]] || e2e_fail "status.png?scale=2 is not 1504x890"
colours=$("$e2e_convert" "$E2E_WORK/a.png" -format '%k' info:)
((colours > 50)) || e2e_fail "status.png holds $colours colours: not the status screen"
_moved() { get -o "$E2E_WORK/b.png" "$base/status.png?scale=2" && ! cmp -s "$E2E_WORK/a.png" "$E2E_WORK/b.png"; }
e2e_poll 30 _moved || e2e_fail "the picture does not follow the client"
[[ $(metric orvane_serve_png_encodes_total) -ge 2 ]] || e2e_fail "the encodes are not counted"
e2e_pass
