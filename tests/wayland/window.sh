#!/usr/bin/env bash
# orvane -window on a Wayland desktop (headless sway, one output the status screen's size, the
# window tiled over it): without DISPLAY it opens a Wayland window, with sway's XWayland in
# DISPLAY an X11 one, and with -wayland a Wayland one again; each shows exactly the picture
# orvane-snapshot makes of the record. F1 shows and hides the help; a smaller output shows the
# whole screen reduced; q ends the Wayland window with exit 0, the marker at 0.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
X11_TIME_LIMIT=120 wl_setup wayland_window xwayland 752x445

X11_CLIENT_DUMP[0]=$X11_WORK/client0.bin
snapshot() {
  x11_stop client0
  x11_client_run 0
}
snapshot
"$x11_bin_dir/orvane-snapshot" --record "${X11_CLIENT_DUMP[0]}" --header "$X11_HEADER" --out "$X11_WORK/snapshot.png" \
  >"$X11_WORK/snapshot.log" 2>&1 || x11_fail "orvane-snapshot failed"
picture=$(x11_region "$X11_WORK/snapshot.png" 752x445+0+0)
_shown() { wl_shot 1 "$X11_WORK/out.png" && [[ $(x11_region "$X11_WORK/out.png" 752x445+0+0) == "$picture" ]]; }
_gone() { ! x11_running "$1"; }
# Which kind of window sway holds: "xdg_shell" or "xwayland".
_shell() { swaymsg -t get_tree | grep -q "\"shell\": \"$1\""; }

x11_start window env -u DISPLAY "$x11_bin_dir/orvane" -window -header "$X11_HEADER"
x11_poll 30 _shown || x11_fail "the Wayland window does not show the snapshot ($X11_WORK/out.png)"
_shell xdg_shell || x11_fail "the window is not an xdg-shell window"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) with the window open"
# F1 lays the help over the screen and F1 takes it off again. A virtual keyboard joins the seat
# only while wtype runs, so its key waits a moment for the window to bind it; one that was lost
# anyway is sent again.
_help() { wl_shot 1 "$X11_WORK/help.png" && [[ $(x11_region "$X11_WORK/help.png" 752x445+0+0) != "$picture" ]]; }
press_until() {
  local try
  for try in 1 2 3; do
    wtype -s 300 -k "$1" || x11_fail "wtype failed"
    x11_poll 5 "$2" && return 0
  done
  return 1
}
press_until F1 _help || x11_fail "F1 did not show the help ($X11_WORK/help.png)"
press_until F1 _shown || x11_fail "F1 again did not take the help off ($X11_WORK/out.png)"

# An output of 400 x 300 gives the window that size: all of the screen, reduced by area averaging
# (ImageMagick's -scale as the reference, to within a rounding step) and centred; a larger one
# shows it whole again.
"$x11_convert" "$X11_WORK/snapshot.png" -crop 752x445+0+0 +repage -scale '400x236!' -background black \
  -gravity north -splice 0x32 -extent 400x300 "$X11_WORK/reduced.png" || x11_fail "the reference reduction failed"
swaymsg output HEADLESS-1 resolution 400x300 >/dev/null || x11_fail "sway did not take the 400 x 300 mode"
_reduced() {
  wl_shot 1 "$X11_WORK/small.png" || return 1
  off=$("${x11_convert/convert/compare}" -metric AE -fuzz 0.5% "$X11_WORK/reduced.png" "$X11_WORK/small.png" null: 2>&1)
  [[ $off == 0 ]]
}
x11_poll 20 _reduced || x11_fail "the 400 x 300 window is not the status screen reduced: $off pixels differ ($X11_WORK/small.png)"
swaymsg output HEADLESS-1 resolution 1000x800 >/dev/null || x11_fail "sway did not take the 1000 x 800 mode"
_whole() { wl_shot 1 "$X11_WORK/big.png" && [[ $(x11_region "$X11_WORK/big.png" 752x445+124+177) == "$picture" ]]; }
x11_poll 20 _whole || x11_fail "the 1000 x 800 window does not show the status screen whole ($X11_WORK/big.png)"
swaymsg output HEADLESS-1 resolution 752x445 >/dev/null || x11_fail "sway did not take the 752 x 445 mode"
x11_poll 20 _shown || x11_fail "back at 752 x 445 the window does not show the status screen whole"
_q_ends() { wtype -s 200 q && ! x11_running window; }
x11_poll 20 _q_ends || x11_fail "q did not close the Wayland window"
x11_stop window
[[ $X11_STATUS == 0 ]] || x11_fail "the Wayland window's exit status after q is $X11_STATUS"
[[ $(x11_attached) == 0 ]] || x11_fail "saver_attached is $(x11_attached) after the window closed"

# sway's XWayland: its DISPLAY as sway gives it to the programs it starts.
rm -f "$X11_WORK/home/display"
swaymsg exec "echo \$DISPLAY > $X11_WORK/home/display" >/dev/null || x11_fail "swaymsg exec failed"
x11_poll 20 test -s "$X11_WORK/home/display" || x11_fail "sway told no DISPLAY"
xdisplay=$(cat "$X11_WORK/home/display")
[[ -n $xdisplay ]] || x11_fail "sway runs no XWayland"
# XWayland lets in its own user alone; the programs under test are root's when the test is.
if ((EUID == 0)); then
  swaymsg exec "xhost +si:localuser:root > $X11_WORK/home/xhost.out 2>&1" >/dev/null
  _let_in() { grep -q localuser "$X11_WORK/home/xhost.out" 2>/dev/null; }
  x11_poll 30 _let_in || x11_fail "xhost did not let root in: $(cat "$X11_WORK/home/xhost.out" 2>&1)"
fi
snapshot
x11_start xwindow env DISPLAY="$xdisplay" "$x11_bin_dir/orvane" -window -header "$X11_HEADER"
x11_poll 40 _shown || x11_fail "the XWayland window does not show the snapshot ($X11_WORK/out.png)"
_shell xwayland || x11_fail "with DISPLAY set the window is not an X11 one"
x11_stop xwindow

snapshot
x11_start forced env DISPLAY="$xdisplay" "$x11_bin_dir/orvane" -window -wayland -header "$X11_HEADER"
x11_poll 30 _shown || x11_fail "-wayland does not show the snapshot ($X11_WORK/out.png)"
_shell xdg_shell || x11_fail "-wayland did not open an xdg-shell window"
x11_stop forced
x11_pass
