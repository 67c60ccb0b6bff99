# shellcheck shell=bash
# Shared helpers of the Linux viewer's end-to-end tests: a virtual X display of the test's own,
# background processes that are always cleaned up, screenshots with colour probes and the
# record's attached marker. A test sources this file, calls x11_setup NAME [SCREEN], and exits
# through x11_pass or x11_fail; the EXIT trap ends whatever it started.
#
# ctest sets ORVANE_X11_BIN_DIR (orvane, orvane-sim, x11-test-window); run by hand, the default
# is build/host/bin.

set -uo pipefail

x11_source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
x11_bin_dir=${ORVANE_X11_BIN_DIR:-$x11_source_dir/build/host/bin}
x11_work_root=${ORVANE_X11_WORK_DIR:-$x11_source_dir/build/host/x11-work}
unset ORVANE_XVFB_PID ORVANE_XVFB_DISPLAY
# shellcheck source=../../scripts/xvfb-env
source "$x11_source_dir/scripts/xvfb-env"
# shellcheck source=../../scripts/xorg-env
source "$x11_source_dir/scripts/xorg-env"
if command -v convert-im6.q16 >/dev/null 2>&1; then x11_convert=convert-im6.q16; else x11_convert=convert; fi

X11_NAME=
X11_WORK=
X11_DEADLINE=0
declare -A X11_PIDS=()
readonly X11_VIOLET='#9966FF'
# Offset of saver_attached in the record (docs/record-format.md).
readonly X11_ATTACHED_OFFSET=126848

x11_log() { printf '[%s %s] %s\n' "$X11_NAME" "$(date +%T)" "$*"; }
x11_fail() {
  local f
  printf '[%s] FAIL: %s\n' "$X11_NAME" "$*" >&2
  for f in "$X11_WORK"/*.out; do
    [[ -s $f ]] && { printf -- '--- %s\n' "${f##*/}"; tail -n 20 "$f"; } >&2
  done
  exit 1
}
x11_pass() { x11_log PASS; exit 0; }

# x11_poll SECONDS COMMAND...: COMMAND every 0.2 s until it succeeds or the time (capped by the
# test's deadline) is up.
x11_poll() {
  local limit=$1 end
  shift
  ((limit < X11_DEADLINE - SECONDS)) || limit=$((X11_DEADLINE - SECONDS))
  end=$((SECONDS + limit))
  while :; do
    "$@" && return 0
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
}

x11_setup() {
  X11_NAME=$1
  X11_DEADLINE=$((SECONDS + ${X11_TIME_LIMIT:-80}))
  trap x11_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  local f
  for f in orvane orvane-sim x11-test-window; do
    [[ -x $x11_bin_dir/$f ]] || x11_fail "missing $x11_bin_dir/$f (build the host preset first)"
  done
  X11_WORK=$x11_work_root/$X11_NAME
  rm -rf "$X11_WORK"
  mkdir -p "$X11_WORK"
  if [[ -n ${X11_XORG_LAYOUT:-} ]]; then
    # Several monitors side by side: Xorg with the dummy driver (Xvfb puts every head at 0,0).
    local started=0
    # shellcheck disable=SC2086
    ORVANE_XORG_FIRST=${ORVANE_X11_XORG_FIRST:-280} orvane_xorg_start $X11_XORG_LAYOUT || started=$?
    ((started != 2)) || { echo "[$X11_NAME] SKIP: Xorg with the dummy driver is not installed" >&2; exit 77; }
    ((started == 0)) || x11_fail "cannot start Xorg with the layout $X11_XORG_LAYOUT"
  else
    ORVANE_XVFB_FIRST=${ORVANE_X11_XVFB_FIRST:-260} ORVANE_XVFB_SCREEN=${2:-1280x1024x24} orvane_xvfb_start ||
      x11_fail "cannot start Xvfb"
  fi
  x11_log "display $DISPLAY"
}

x11_cleanup() {
  local rc=$? name
  trap - EXIT
  for name in "${!X11_PIDS[@]}"; do x11_stop "$name"; done
  orvane_xvfb_stop
  orvane_xorg_stop
  exit "$rc"
}

# x11_start NAME COMMAND...: in the background, output in $X11_WORK/NAME.out.
x11_start() {
  local name=$1
  shift
  "$@" >"$X11_WORK/$name.out" 2>&1 &
  X11_PIDS[$name]=$!
}
x11_running() { local pid=${X11_PIDS[$1]:-}; [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null && [[ $(ps -o stat= -p "$pid") != Z* ]]; }

# x11_stop NAME [SIGNAL]: ends NAME (TERM, then KILL after 5 s); its exit status in X11_STATUS.
X11_STATUS=
x11_stop() {
  local name=$1 signal=${2:-TERM} pid=${X11_PIDS[$1]:-} i
  X11_STATUS=
  [[ -n $pid ]] || return 0
  kill -"$signal" "$pid" 2>/dev/null
  # A process a test has stopped would leave the signal pending, and then its record behind.
  kill -CONT "$pid" 2>/dev/null
  for ((i = 0; i < 50; i++)); do x11_running "$name" || break; sleep 0.1; done
  x11_running "$name" && kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  X11_STATUS=$?
  unset "X11_PIDS[$name]"
}

# The stand-in client, until its record exists.
x11_start_sim() {
  x11_start sim "$x11_bin_dir/orvane-sim" "$@"
  x11_poll 20 test -e /dev/shm/orvane_share || x11_fail "orvane-sim made no record"
}

# The attached marker as the record holds it now.
x11_attached() { od -An -t d4 -j "$X11_ATTACHED_OFFSET" -N 4 /dev/shm/orvane_share 2>/dev/null | tr -d ' '; }

x11_shot() { xwd -root -silent | "$x11_convert" xwd:- "png:$1"; }

# x11_color_box FILE COLOR [CROP]: "WxH+X+Y" of the pixels of exactly COLOR in screen
# coordinates, "none" when there are none.
x11_color_box() {
  local file=$1 color=$2 crop=${3:-} cx=0 cy=0 out
  local args=("$file")
  if [[ -n $crop ]]; then
    args+=(-crop "$crop" +repage)
    cx=${crop#*+}; cy=${cx#*+}; cx=${cx%%+*}
  fi
  out=$("$x11_convert" "${args[@]}" -alpha off -fill '#010101' +opaque "$color" -fill white -opaque "$color" \
        -fill black +opaque white -bordercolor black -border 1 -format '%[fx:maxima.r > 0 ? 1 : 0] %@' info:) || return 1
  [[ ${out%% *} == 1 ]] || { echo none; return 0; }
  out=${out#* }
  local w=${out%%x*} rest=${out#*x} h x y
  h=${rest%%+*}; rest=${rest#*+}; x=${rest%%+*}; y=${rest#*+}
  echo "${w}x${h}+$((x + cx - 1))+$((y + cy - 1))"
}
x11_box_left() { local r=${1#*+}; echo "${r%%+*}"; }
x11_box_top() { echo "${1##*+}"; }
x11_box_right() { echo $(($(x11_box_left "$1") + ${1%%x*} - 1)); }

# x11_canvas_at FILE X Y: the status screen's violet frame where a 752 x 445 canvas whose
# top-left corner is (X, Y) puts it: from 6 pixels inside its left edge to 6 inside its right.
x11_canvas_at() {
  local box
  box=$(x11_color_box "$1" "$X11_VIOLET") || return 1
  [[ $box != none && $(x11_box_left "$box") -eq $(($2 + 6)) && $(x11_box_right "$box") -eq $(($2 + 745)) &&
     $(x11_box_top "$box") -ge $3 ]]
}

# x11_count FILE COLOR CROP: how many pixels of CROP are exactly COLOR.
x11_count() {
  "$x11_convert" "$1" -crop "$3" +repage -alpha off -fill '#010101' +opaque "$2" -fill white -opaque "$2" \
    -fill black +opaque white -precision 15 -format '%[fx:round(mean.r * w * h)]' info:
}

# The real XScreenSaver daemon in a HOME of the test's own, whose .xscreensaver names
# "orvane -root" as its only program, and orvane-sim writing the record. XScreenSaver runs no
# hacks as root, so as root the daemon and the client run as nobody; it passes the options with
# two dashes ("--root"). x11_daemon COMMAND... runs COMMAND as the daemon's user in that HOME.
X11_AS_USER=()
readonly X11_HACK="$x11_bin_dir/orvane --?root"
x11_daemon() { "${X11_AS_USER[@]}" env HOME="$X11_WORK/home" "$@"; }
x11_xscreensaver_start() {
  local home=$X11_WORK/home
  command -v xscreensaver >/dev/null || x11_fail "xscreensaver is not installed (scripts/bootstrap)"
  [[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"
  # The hacks run as nobody: a readers' board left by another user would leave each of them alone.
  rm -f /dev/shm/orvane_share.readers
  mkdir -p "$home"
  printf '%s\n' 'mode:		one' 'selected:	0' 'lock:		False' 'splash:		False' 'fade:		False' 'unfade:		False' \
    'timeout:	0:30:00' "programs:	$x11_bin_dir/orvane -root" >"$home/.xscreensaver"
  if ((EUID == 0)); then
    X11_AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    chown -R nobody:nogroup "$home"
    chmod 755 "$X11_WORK"
  fi
  x11_start daemon x11_daemon xscreensaver -no-splash
  _x11_daemon_answers() { x11_daemon xscreensaver-command -version >/dev/null 2>&1; }
  x11_poll 30 _x11_daemon_answers || x11_fail "the XScreenSaver daemon does not answer"
  x11_start sim "${X11_AS_USER[@]}" "$x11_bin_dir/orvane-sim" --scenario steady --rate 5
  x11_poll 20 test -e /dev/shm/orvane_share || x11_fail "orvane-sim made no record"
}

# x11_xscreensaver_command WORD: xscreensaver-command -WORD, its output in $X11_WORK/WORD.out.
x11_xscreensaver_command() {
  x11_daemon xscreensaver-command "-$1" >"$X11_WORK/$1.out" 2>&1 || x11_fail "xscreensaver-command -$1 failed"
}

# Deactivating the daemon ends every hack of ours, with the marker back at 0.
x11_xscreensaver_end() {
  x11_xscreensaver_command deactivate
  _x11_hacks_ended() { ! pgrep -f "$X11_HACK" >/dev/null && [[ $(x11_attached) == 0 ]]; }
  x11_poll 30 _x11_hacks_ended || x11_fail "after -deactivate the hack runs on or the marker is $(x11_attached)"
}
