#!/usr/bin/env bash
# Two monitors side by side (Xinerama, which an Xorg with such a layout gives instead of
# RandR): by default one copy centred on the primary, the first head, with the other black;
# with -monitors all a copy centred on each, the two the same.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
X11_XORG_LAYOUT="1280x1024+1280x1024"
x11_setup viewer_two_monitors

x11_start_sim --scenario steady --rate 5
x11_start viewer "$x11_bin_dir/orvane" -root
_primary() { x11_shot "$X11_WORK/primary.png" && x11_canvas_at "$X11_WORK/primary.png" 264 289; }
x11_poll 20 _primary || x11_fail "no status screen alone on the first head ($X11_WORK/primary.png)"
x11_stop viewer

x11_start viewer "$x11_bin_dir/orvane" -root -monitors all
# Each head checked on its own: the frame centred in each, and both copies alike.
_both() {
  local shot=$X11_WORK/all.png differ
  x11_shot "$shot" || return 1
  "$x11_convert" "$shot" -crop 1280x1024+0+0 +repage "$X11_WORK/left.png" || return 1
  "$x11_convert" "$shot" -crop 1280x1024+1280+0 +repage "$X11_WORK/right.png" || return 1
  x11_canvas_at "$X11_WORK/left.png" 264 289 && x11_canvas_at "$X11_WORK/right.png" 264 289 || return 1
  differ=$("${x11_convert%convert*}compare${x11_convert#*convert}" -metric AE "$X11_WORK/left.png" "$X11_WORK/right.png" null: 2>&1)
  [[ $differ == 0 ]]
}
x11_poll 20 _both || x11_fail "no two equal copies, one centred on each head ($X11_WORK/all.png)"
x11_stop viewer
[[ $X11_STATUS == 0 ]] || x11_fail "the viewer's exit status is $X11_STATUS"
x11_pass
