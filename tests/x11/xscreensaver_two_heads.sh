#!/usr/bin/env bash
# orvane under the real XScreenSaver daemon on two heads side by side: the daemon runs one
# "orvane -root" per head, two readers of one record. Both heads show the same status screen,
# the marker is 1 while they run, and 0 once the daemon has ended both.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
X11_XORG_LAYOUT="1280x1024+1280x1024"
x11_setup xscreensaver_two_heads
x11_xscreensaver_start

x11_xscreensaver_command activate
_two_hacks() { (($(pgrep -fc "$X11_HACK") == 2)); }
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

x11_xscreensaver_end
x11_pass
