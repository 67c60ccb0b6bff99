#!/usr/bin/env bash
# orvane under the real XScreenSaver daemon on two heads side by side: the daemon runs one
# "orvane -root" per head, two readers of one record. Both heads show the same status screen,
# the marker is 1 while they run, and 0 once the daemon has ended both.
# XScreenSaver runs no hacks as root, so as root the daemon and the client run as nobody; it
# passes the options with two dashes ("--root").
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
X11_XORG_LAYOUT="1280x1024+1280x1024"
x11_setup xscreensaver_two_heads
command -v xscreensaver >/dev/null || x11_fail "xscreensaver is not installed (scripts/bootstrap)"
[[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"
# The hacks run as nobody: a readers' board left by another user would leave each of them alone.
rm -f /dev/shm/orvane_share.readers

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
_two_hacks() { (($(pgrep -fc "$x11_bin_dir/orvane --?root") == 2)); }
x11_poll 30 _two_hacks || x11_fail "the daemon does not run one hack per head ($(pgrep -fa "$x11_bin_dir/orvane"))"
_same_on_both() {
  local shot=$X11_WORK/shot.png
  x11_shot "$shot" || return 1
  "$x11_convert" "$shot" -crop 1280x1024+0+0 +repage "$X11_WORK/left.png" || return 1
  "$x11_convert" "$shot" -crop 1280x1024+1280+0 +repage "$X11_WORK/right.png" || return 1
  x11_canvas_at "$X11_WORK/left.png" 264 289 && x11_canvas_at "$X11_WORK/right.png" 264 289 || return 1
  [[ $("$x11_convert" "$X11_WORK/left.png" -depth 8 rgb:- | md5sum) == $("$x11_convert" "$X11_WORK/right.png" -depth 8 rgb:- | md5sum) ]]
}
x11_poll 30 _same_on_both || x11_fail "the two heads do not show the same status screen ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) while the hacks run"

daemon xscreensaver-command -deactivate >"$X11_WORK/deactivate.out" 2>&1 || x11_fail "xscreensaver-command -deactivate failed"
_ended() { ! pgrep -f "$x11_bin_dir/orvane --?root" >/dev/null && [[ $(x11_attached) == 0 ]]; }
x11_poll 30 _ended || x11_fail "after -deactivate the hack runs on or the marker is $(x11_attached)"
x11_pass
