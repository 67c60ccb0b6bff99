# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # ../x11/lib.sh, sourced first, sets its x11_ variables
# Shared helpers of orvane's Wayland tests: a headless sway of the test's own (its outputs given
# as WxH, side by side), screenshots of one output with grim, keys with wtype and a pointer of
# the test's own (wayland-test-pointer). The X11 tests' helpers (processes, polling, the record's
# marker, clients at rest and their snapshots) are used as they are.
#
# sway refuses to run as root: as root it runs as nobody, in a runtime directory of the test's
# own; the programs under test stay root's, which may use the compositor's socket.

# shellcheck source=../x11/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../x11/lib.sh"
# shellcheck source=../x11/clients_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../x11/clients_lib.sh"

WL_RUNTIME=
WL_POINTER_FD=

# wl_setup NAME XWAYLAND OUTPUT...: XWAYLAND is "xwayland" or "none"; each OUTPUT is WxH, or
# WxH@S for an output at scale S (its logical size W/S x H/S).
# WL_MORE_CONFIG, when set, goes into sway's configuration as it is (outputs made later).
wl_setup() {
  X11_NAME=$1
  local xwayland=$2 f size x=0 n=0
  shift 2
  X11_DEADLINE=$((SECONDS + ${X11_TIME_LIMIT:-80}))
  trap wl_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  for f in sway grim wtype; do
    command -v "$f" >/dev/null || { echo "[$X11_NAME] SKIP: $f is not installed (scripts/bootstrap)" >&2; exit 77; }
  done
  for f in orvane orvane-snapshot x11-test-client wayland-test-pointer; do
    [[ -x $x11_bin_dir/$f ]] || x11_fail "missing $x11_bin_dir/$f (build the host preset first)"
  done
  X11_WORK=$x11_work_root/$X11_NAME
  rm -rf "$X11_WORK"
  mkdir -p "$X11_WORK/home"
  WL_RUNTIME=$X11_WORK/run
  mkdir -m 700 "$WL_RUNTIME"
  {
    echo "default_border none"
    echo "default_floating_border none"
    echo "focus_follows_mouse no"
    echo "xwayland $([[ $xwayland == xwayland ]] && echo enable || echo disable)"
    local scale
    for size in "$@"; do
      n=$((n + 1))
      scale=1
      [[ $size == *@* ]] && scale=${size#*@}
      size=${size%@*}
      echo "output HEADLESS-$n resolution $size position $x,0 scale $scale"
      x=$((x + ${size%x*} / scale))
    done
    printf '%s\n' "${WL_MORE_CONFIG:-}"
  } >"$X11_WORK/sway.config"
  local as_user=()
  if ((EUID == 0)); then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    chown -R nobody:nogroup "$WL_RUNTIME" "$X11_WORK/home"
    chmod 755 "$X11_WORK"
  fi
  unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
  x11_start sway "${as_user[@]}" env -i PATH="$PATH" HOME="$X11_WORK/home" XDG_RUNTIME_DIR="$WL_RUNTIME" \
    WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$n" WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$X11_WORK/sway.config"
  _wl_socket() { compgen -G "$WL_RUNTIME/wayland-*[0-9]" >/dev/null && compgen -G "$WL_RUNTIME/sway-ipc.*" >/dev/null; }
  x11_poll 30 _wl_socket || x11_fail "sway did not start"
  export XDG_RUNTIME_DIR=$WL_RUNTIME
  WAYLAND_DISPLAY=$(basename "$(compgen -G "$WL_RUNTIME/wayland-*[0-9]" | head -n 1)")
  SWAYSOCK=$(compgen -G "$WL_RUNTIME/sway-ipc.*" | head -n 1)
  export WAYLAND_DISPLAY SWAYSOCK
  _wl_outputs() { [[ $(swaymsg -t get_outputs 2>/dev/null | grep -c '"name": "HEADLESS-') == "$n" ]]; }
  x11_poll 20 _wl_outputs || x11_fail "sway has not made $n outputs"
  x11_log "sway on $WAYLAND_DISPLAY, outputs $*"
}

wl_cleanup() {
  local rc=$? name
  trap - EXIT
  [[ -n $WL_POINTER_FD ]] && exec {WL_POINTER_FD}>&-
  for name in "${!X11_PIDS[@]}"; do [[ $name == sway ]] || x11_stop "$name"; done
  x11_stop sway
  exit "$rc"
}

# wl_shot OUTPUT FILE: what the compositor shows on HEADLESS-OUTPUT.
wl_shot() { grim -o "HEADLESS-$1" "$2" 2>/dev/null; }

# wl_pointer_start: a pointer of the test's own; wl_pointer COMMAND moves it (see test_pointer.cpp).
wl_pointer_start() {
  mkfifo -m 600 "$X11_WORK/pointer.in"
  # Opened for reading and writing, which does not wait for the other end.
  exec {WL_POINTER_FD}<>"$X11_WORK/pointer.in"
  # Started here, not by x11_start: a command sent to the background there reads /dev/null.
  "$x11_bin_dir/wayland-test-pointer" <&"$WL_POINTER_FD" >"$X11_WORK/pointer.out" 2>&1 &
  X11_PIDS[pointer]=$!
  _wl_pointer_ready() { grep -qx ready "$X11_WORK/pointer.out"; }
  x11_poll 20 _wl_pointer_ready || x11_fail "the test pointer did not start"
}
wl_pointer() {
  local before
  before=$(grep -c '^ok$' "$X11_WORK/pointer.out")
  echo "$*" >&"$WL_POINTER_FD"
  _wl_pointer_done() { (($(grep -c '^ok$' "$X11_WORK/pointer.out") > before)); }
  x11_poll 10 _wl_pointer_done || x11_fail "the compositor did not take the pointer's '$*'"
}

# The window's place in the compositor's layout, "X Y W H", from sway's tree.
wl_window_rect() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def walk(node):
    if node.get("name") == "Orvane" and node.get("pid"):
        r = node["rect"]
        print(r["x"], r["y"], r["width"], r["height"])
        return True
    return any(walk(c) for c in node.get("nodes", []) + node.get("floating_nodes", []))
sys.exit(0 if walk(json.load(sys.stdin)) else 1)'
}
