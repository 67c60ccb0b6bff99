#!/usr/bin/env bash
# The client SDK as a user gets it: the components client_runtime and client installed into a
# prefix, then examples/minimal_client.c built against that prefix alone, three ways
# (tests/install/consumer with find_package, shared and static, and pkg-config), and the
# component python beside them, whose module publishes through the installed library. Each build
# runs as the client of a real `orvane -root` on a display of the test's own: the viewer
# attaches, shows the status screen and lowers the change flag the client raised, and
# orvane-inspect finds no mistake in the record.
# Usage: client_sdk.sh HOST_BUILD_DIR. Uses the record name /orvane_share (run it under
# `flock /tmp/orvane_share.lock`); exits 77 (skipped) when orvane was not built there.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" client_sdk CMakeCache.txt "$@"
X11_TIME_LIMIT=240 x11_setup client_sdk
source_dir=$x11_source_dir
inspect=$build/bin/orvane-inspect
[[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"

prefix=$X11_WORK/prefix
for component in client_runtime client; do
  cmake --install "$build" --component "$component" --prefix "$prefix" >>"$X11_WORK/install.log" 2>&1 ||
    x11_fail "installing the component $component failed: $(cat "$X11_WORK/install.log")"
done
libdir=$(cd "$prefix" && find . -name 'liborvane-client.so.1' -printf '%h\n' | sed 's|^\./||')
[[ -n $libdir ]] || x11_fail "the SDK has no liborvane-client.so.1"
for f in include/orvane/client.h "$libdir/liborvane-client.a" "$libdir/liborvane-client.so" \
         "$libdir/pkgconfig/orvane-client.pc" "$libdir/cmake/Orvane/OrvaneConfig.cmake"; do
  [[ -e $prefix/$f ]] || x11_fail "the SDK has no $f"
done
# Nothing of the project's own headers goes with it.
[[ -z $(find "$prefix/include" -type f ! -name client.h) ]] || x11_fail "the SDK ships headers besides orvane/client.h"
# The Python module is a component of its own, installed beside the SDK as the README says.
cmake --install "$build" --component python --prefix "$prefix" >>"$X11_WORK/install.log" 2>&1 ||
  x11_fail "installing the component python failed: $(cat "$X11_WORK/install.log")"
module=$(PYTHONPATH=$prefix/lib/python3/dist-packages ORVANE_CLIENT_LIBRARY=$prefix/$libdir/liborvane-client.so.1 \
  PYTHONDONTWRITEBYTECODE=1 python3 -c 'import os, orvane
with orvane.Client("orvane_sdk_python_%d" % os.getpid()) as c:
    c.set_status_a("installed")
print(orvane.__file__)' 2>&1) || x11_fail "the installed Python module does not publish: $module"
[[ $module == "$prefix/lib/python3/dist-packages/orvane/__init__.py" ]] || x11_fail "python3 took the module from $module"

cmake -S "$source_dir/tests/install/consumer" -B "$X11_WORK/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DORVANE_EXAMPLE="$source_dir/examples/minimal_client.c" >"$X11_WORK/consumer.log" 2>&1 &&
  cmake --build "$X11_WORK/consumer" >>"$X11_WORK/consumer.log" 2>&1 ||
  x11_fail "the find_package consumer did not build: $(cat "$X11_WORK/consumer.log")"
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
# shellcheck disable=SC2046 # pkg-config's words are the compiler's arguments
cc -o "$X11_WORK/consumer_pkgconfig" "$source_dir/examples/minimal_client.c" $(pkg-config --cflags --libs orvane-client) \
  -Wl,-rpath,"$prefix/$libdir" 2>"$X11_WORK/pc.log" || x11_fail "the pkg-config consumer did not build: $(cat "$X11_WORK/pc.log")"

# A word of the record, as a number.
_word() { od -An -t d4 -j "$1" -N 4 /dev/shm/orvane_share 2>/dev/null | tr -d ' '; }
readonly user_info_changed=360
# The viewer attached, its status screen on the root window, and the user's line, which the
# client raised once and the library raised again at the attach, taken in and lowered.
_shown() {
  [[ $(x11_attached) == 1 && $(_word $user_info_changed) == 0 ]] || return 1
  x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" 264 289
}
for program in "$X11_WORK/consumer/consumer_shared" "$X11_WORK/consumer/consumer_static" "$X11_WORK/consumer_pkgconfig"; do
  what=$(basename "$program")
  x11_start viewer "$build/bin/orvane" -root
  # Twenty seconds of updates, then it closes its record as a client does (the example has no
  # signal handler: ended early, it would leave the record behind).
  x11_start client "$program" 20
  x11_poll 20 test -e /dev/shm/orvane_share || x11_fail "$what made no record"
  x11_poll 40 _shown ||
    x11_fail "$what: no status screen with the user's line taken in (attached $(x11_attached), user_info_changed $(_word $user_info_changed), $X11_WORK/shot.png)"
  report=$("$inspect" --lint 2>&1) || x11_fail "$what: $report"
  grep -q 'name "Piet Halvorsen"' <<<"$report" || x11_fail "$what published no user: $report"
  _client_ended() { ! x11_running client; }
  x11_poll 40 _client_ended || x11_fail "$what did not end after its twenty seconds"
  x11_stop client
  [[ $X11_STATUS == 0 ]] || x11_fail "$what's exit status is $X11_STATUS"
  x11_stop viewer
  x11_poll 10 test ! -e /dev/shm/orvane_share || x11_fail "$what left its record behind"
  x11_log "$what: shown by orvane -root"
done
x11_log "the installed SDK builds three ways, and orvane -root shows each client"
x11_pass
