#!/usr/bin/env bash
# -fps writes the measured frame rate in the top-left corner of the monitor; when the X display
# goes away the viewer ends with a message and exit status 1, never a crash, and puts the
# marker back to 0 first.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_fps_and_lost_display

x11_start_sim --scenario burst --rate 10
x11_start viewer "$x11_bin_dir/orvane" -root -fps
_shown() { x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" 264 289; }
x11_poll 20 _shown || x11_fail "no status screen ($X11_WORK/shot.png)"
# The first second's text reads "0.0 fps"; whatever the rate, it is white text up there, where
# the centred canvas never reaches.
_fps_shown() { x11_shot "$X11_WORK/shot.png" && (($(x11_count "$X11_WORK/shot.png" '#FFFFFF' 120x24+0+0) > 20)); }
x11_poll 20 _fps_shown || x11_fail "no frame rate in the top-left corner ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached)"

orvane_xvfb_stop
_ended() { ! x11_running viewer; }
x11_poll 20 _ended || x11_fail "the viewer runs on without its display"
x11_stop viewer
[[ $X11_STATUS == 1 ]] || x11_fail "the viewer's exit status without its display is $X11_STATUS, not 1"
grep -q 'connection to the X display was lost' "$X11_WORK/viewer.out" ||
  x11_fail "the viewer did not say why it ended: $(cat "$X11_WORK/viewer.out")"
[[ $(x11_attached) == 0 ]] || x11_fail "saver_attached is $(x11_attached) after the display was lost"
x11_pass
