#!/usr/bin/env bash
# The client SDK as a user gets it: `cmake --install --component client` into a prefix, then
# examples/minimal_client.c built against that prefix alone, three ways (find_package with the
# shared and the static library, and pkg-config), each run as a client while orvane-inspect
# reads its record and finds no mistake. Usage: client_sdk.sh HOST_BUILD_DIR
set -uo pipefail
name=client_sdk
fail() { echo "[$name] FAIL: $*" >&2; exit 1; }
build=${1:-}
[[ -n $build && -f $build/CMakeCache.txt ]] || fail "usage: $0 HOST_BUILD_DIR"
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
inspect=$build/bin/orvane-inspect
work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-sdk.XXXXXX") || fail "no temporary folder"
trap 'rm -rf "$work"; rm -f /dev/shm/orvane_sdk_$$_*' EXIT

prefix=$work/prefix
cmake --install "$build" --component client --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "installing the client component failed: $(cat "$work/install.log")"
for f in include/orvane/client.h lib/liborvane-client.a lib/pkgconfig/orvane-client.pc lib/cmake/Orvane/OrvaneConfig.cmake; do
  [[ -e $prefix/$f ]] || fail "the SDK has no $f"
done
# Nothing of the project's own headers goes with it.
[[ -z $(find "$prefix/include" -type f ! -name client.h) ]] || fail "the SDK ships headers besides orvane/client.h"

cmake -S "$source_dir/tests/install/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DORVANE_EXAMPLE="$source_dir/examples/minimal_client.c" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || fail "the find_package consumer did not build: $(cat "$work/consumer.log")"
PKG_CONFIG_PATH=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH
cc -o "$work/consumer_pkgconfig" "$source_dir/examples/minimal_client.c" $(pkg-config --cflags --libs orvane-client) \
  -Wl,-rpath,"$prefix/lib" 2>"$work/pc.log" || fail "the pkg-config consumer did not build: $(cat "$work/pc.log")"

n=0
for program in "$work/consumer/consumer_shared" "$work/consumer/consumer_static" "$work/consumer_pkgconfig"; do
  record=orvane_sdk_$$_$((n += 1))
  "$program" 3 "$record" &
  pid=$!
  # Wait for its record and its first row, bounded; never a fixed sleep.
  for _ in $(seq 200); do
    "$inspect" --name "$record" 2>/dev/null | grep -q "^rows .* [1-9][0-9]* raised" && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.05
  done
  report=$("$inspect" --name "$record" --lint 2>&1) || { kill $pid 2>/dev/null; fail "$(basename "$program"): $report"; }
  grep -q 'name "Piet Halvorsen"' <<<"$report" || { kill $pid; fail "$(basename "$program") published no user: $report"; }
  wait $pid || fail "$(basename "$program") exited with $?"
  [[ ! -e /dev/shm/$record ]] || fail "$(basename "$program") left its record behind"
done
echo "[$name] the installed SDK builds three ways, and each client publishes a clean record"
