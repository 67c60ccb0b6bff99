#!/usr/bin/env bash
# orvane under the real XScreenSaver daemon: a HOME whose .xscreensaver names "orvane -root" as
# its only program; activating the daemon shows the status screen drawn by our program on the
# daemon's window, and deactivating it ends the program with the marker back at 0.
# XScreenSaver runs no hacks as root, so as root the daemon and the client run as nobody; it
# passes the options with two dashes ("--root").
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup xscreensaver
command -v xscreensaver >/dev/null || x11_fail "xscreensaver is not installed (scripts/bootstrap)"
[[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"

as_user=()
if ((EUID == 0)); then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --); fi
home=$X11_WORK/home
mkdir -p "$home"
printf '%s\n' 'mode:		one' 'selected:	0' 'lock:		False' 'splash:		False' 'fade:		False' 'unfade:		False' \
  'timeout:	0:30:00' "programs:	$x11_bin_dir/orvane -root" >"$home/.xscreensaver"
if ((EUID == 0)); then
  chown -R nobody:nogroup "$home"
  chmod 755 "$X11_WORK"
fi
daemon() { "${as_user[@]}" env HOME="$home" "$@"; }

x11_start daemon daemon xscreensaver -no-splash
_answers() { daemon xscreensaver-command -version >/dev/null 2>&1; }
x11_poll 30 _answers || x11_fail "the XScreenSaver daemon does not answer"
x11_start sim "${as_user[@]}" "$x11_bin_dir/orvane-sim" --scenario steady --rate 5
x11_poll 20 test -e /dev/shm/orvane_share || x11_fail "orvane-sim made no record"

daemon xscreensaver-command -activate >"$X11_WORK/activate.out" 2>&1 || x11_fail "xscreensaver-command -activate failed"
_shown() { x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" 264 289; }
x11_poll 30 _shown || x11_fail "no status screen after activating the daemon ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) while the hack runs"
pgrep -f "$x11_bin_dir/orvane --?root" >/dev/null || x11_fail "the screen shows no hack of ours"

daemon xscreensaver-command -deactivate >"$X11_WORK/deactivate.out" 2>&1 || x11_fail "xscreensaver-command -deactivate failed"
_ended() { ! pgrep -f "$x11_bin_dir/orvane --?root" >/dev/null && [[ $(x11_attached) == 0 ]]; }
x11_poll 30 _ended || x11_fail "after -deactivate the hack runs on or the marker is $(x11_attached)"
x11_pass
