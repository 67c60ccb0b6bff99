#!/usr/bin/env bash
# The desktop viewer: its own window titled "Orvane"; a resize re-centres the status screen,
# and q closes it with the marker back at 0.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_resize

x11_start_sim --scenario steady --rate 5
x11_start viewer "$x11_bin_dir/orvane" -window
_window() { xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1; }
x11_poll 20 _window || x11_fail "no window titled Orvane"
window=$(xdotool search --onlyvisible --name '^Orvane$' | head -n 1)
# No window manager: the window stays where it was made, at 0,0, the canvas's own size.
_placed() { x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" "$1" "$2"; }
x11_poll 20 _placed 0 0 || x11_fail "the status screen does not fill the new window ($X11_WORK/shot.png)"

xdotool windowsize "$window" 1000 800
x11_poll 20 _placed 124 177 || x11_fail "the status screen was not re-centred in the 1000 x 800 window ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached)"

# Keys go to the window under the pointer when nothing holds the focus.
xdotool mousemove 500 400
xdotool key q
_ended() { ! x11_running viewer; }
x11_poll 20 _ended || x11_fail "q did not close the viewer"
x11_stop viewer
[[ $X11_STATUS == 0 ]] || x11_fail "the viewer's exit status after q is $X11_STATUS"
[[ $(x11_attached) == 0 ]] || x11_fail "saver_attached is $(x11_attached) after the viewer closed"
x11_pass
