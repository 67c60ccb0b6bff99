#!/usr/bin/env bash
# orvane -overlay under a real compositor (headless sway) with two outputs of different sizes,
# the second at scale 2: each output shows, at the place the X11 saver would put it, the picture
# orvane-snapshot makes of the same record (on the second twice its size, each pixel a 2 x 2
# block, as its DPI of 192 asks), and the record is served (marker 1). Pointer travel of 4 pixels
# leaves it up; 5 end it, with exit 0 and the marker back at 0. A key (wtype), a button and
# SIGTERM end it the same way. An output plugged in gets a surface of its own; swayidle, as an
# idle daemon, starts it. A compositor that goes takes it along, the marker back at 0.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
WL_MORE_CONFIG="output HEADLESS-3 resolution 1920x1080 position 2304,0" X11_TIME_LIMIT=120 \
  wl_setup wayland_overlay none 1280x720 2048x1536@2

X11_CLIENT_DUMP[0]=$X11_WORK/client0.bin
x11_client_run 0
"$x11_bin_dir/orvane-snapshot" --record "${X11_CLIENT_DUMP[0]}" --header "$X11_HEADER" --out "$X11_WORK/snapshot.png" \
  >"$X11_WORK/snapshot.log" 2>&1 || x11_fail "orvane-snapshot failed"
picture=$(x11_region "$X11_WORK/snapshot.png" 752x445+0+0)
# sway's software renderer draws a scaled output through a filter that may move a channel by 1,
# never by 2: the doubled picture is compared to within that.
"$x11_convert" "$X11_WORK/snapshot.png" -crop 752x445+0+0 +repage -scale 200% "$X11_WORK/snapshot2.png"

# The pointer rests at (100, 100) before the overlay comes, so that it has a place to start from.
wl_pointer_start
wl_pointer at 100 100 2304 768  # the layout in logical pixels: 1280 + 2048 / 2 wide

# Each overlay gets a client that has just published: a reader draws what the client raised, and
# the overlay before it lowered everything.
overlay() {
  if [[ ${1:-} != first ]]; then
    x11_stop client0
    x11_client_run 0
  fi
  x11_start overlay "$x11_bin_dir/orvane" -overlay -monitors all -header "$X11_HEADER"
}
# Centred as the X11 saver centres: (1280 - 752) / 2, (720 - 445) / 2; (2048 - 1504) / 2 and
# (1536 - 890) / 2 in device pixels.
_shown() {
  wl_shot 1 "$X11_WORK/out1.png" && wl_shot 2 "$X11_WORK/out2.png" || return 1
  [[ $(x11_region "$X11_WORK/out1.png" 752x445+264+137) == "$picture" ]] || return 1
  off=$("$x11_convert" "$X11_WORK/out2.png" -crop 1504x890+272+323 +repage miff:- |
          "${x11_convert/convert/compare}" -metric AE -fuzz 0.5% "$X11_WORK/snapshot2.png" - null: 2>&1)
  [[ $off == 0 ]]
}
_gone() { ! x11_running "$1"; }
# The overlay ended by itself, with exit 0 and the record's marker back at 0.
ended_cleanly() {
  x11_poll 10 _gone overlay || x11_fail "$1 did not end the overlay"
  x11_stop overlay
  [[ $X11_STATUS == 0 ]] || x11_fail "the overlay's exit status after $1 is $X11_STATUS"
  [[ $(x11_attached) == 0 ]] || x11_fail "saver_attached is $(x11_attached) after $1"
}

overlay first
x11_poll 30 _shown || x11_fail "the outputs do not show the snapshot at the centre ($X11_WORK/out1.png, out2.png: ${off:-?} pixels off)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) with the overlay up"
# Black everywhere else: the overlay covers each output whole.
for corner in 1x1+0+0 1x1+1279+719; do
  [[ $(x11_count "$X11_WORK/out1.png" black "$corner") == 1 ]] || x11_fail "output 1 is not black at $corner"
done

# A wiggle that comes back, then 2 + 2 pixels away: 4 in all, still lying still.
wl_pointer move 1 0
wl_pointer move -1 0
wl_pointer move 2 2
x11_running overlay || x11_fail "pointer travel of 4 pixels ended the overlay"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) after 4 pixels of travel"
wl_pointer move 1 0
ended_cleanly "pointer travel of 5 pixels"

overlay
x11_poll 30 _shown || x11_fail "the second overlay does not show the snapshot"
# A virtual keyboard joins the seat only while wtype runs, and its first key may come before the
# overlay has bound the new keyboard: a key every try, until one ends it.
_key_ends() { wtype -s 200 -k Escape && ! x11_running overlay; }
x11_poll 20 _key_ends || x11_fail "a key did not end the overlay"
ended_cleanly "a key"

overlay
x11_poll 30 _shown || x11_fail "the third overlay does not show the snapshot"
wl_pointer click
ended_cleanly "a button"

overlay
x11_poll 30 _shown || x11_fail "the fourth overlay does not show the snapshot"
# An output plugged in meanwhile gets a surface of its own.
swaymsg create_output >/dev/null || x11_fail "sway made no new output"
_third() { wl_shot 3 "$X11_WORK/out3.png" && [[ $(x11_region "$X11_WORK/out3.png" 752x445+584+317) == "$picture" ]]; }
x11_poll 30 _third || x11_fail "the output plugged in does not show the snapshot ($X11_WORK/out3.png)"
x11_poll 10 _shown || x11_fail "the first two outputs lost the screen when the third came"
x11_stop overlay TERM
[[ $X11_STATUS == 0 ]] || x11_fail "the overlay's exit status after SIGTERM is $X11_STATUS"
[[ $(x11_attached) == 0 ]] || x11_fail "saver_attached is $(x11_attached) after SIGTERM"

# As an idle daemon runs it: swayidle starts it after a second without input, and a key ends it.
if command -v swayidle >/dev/null; then
  x11_stop client0
  x11_client_run 0
  x11_start idle swayidle -w timeout 1 "exec $x11_bin_dir/orvane -overlay -monitors all -header $X11_HEADER"
  x11_poll 30 _shown || x11_fail "swayidle did not bring up the overlay ($X11_WORK/out1.png)"
  # The overlay swayidle started: once it has gone, the next idle second starts another.
  idle_pid=$(pgrep -n -f "^$x11_bin_dir/orvane -overlay") || x11_fail "no overlay process under swayidle"
  _key_ends_idle() { wtype -s 200 -k space && ! kill -0 "$idle_pid" 2>/dev/null; }
  x11_poll 20 _key_ends_idle || x11_fail "a key did not end the overlay that swayidle started"
  x11_stop idle
  pkill -f "^$x11_bin_dir/orvane -overlay"  # one it may have started meanwhile
fi

# The compositor goes (the session ends): the overlay ends with exit 1, as orvane does when it
# loses its X display, and the record no longer says that a saver is attached.
x11_stop client0
x11_client_run 0
overlay first
x11_poll 30 _shown || x11_fail "the last overlay does not show the snapshot"
x11_stop sway
ended_with_compositor() { ! x11_running overlay; }
x11_poll 10 ended_with_compositor || x11_fail "the overlay outlived its compositor"
x11_stop overlay
[[ $X11_STATUS == 1 ]] || x11_fail "the overlay's exit status after the compositor went is $X11_STATUS"
[[ $(x11_attached) == 0 ]] || x11_fail "saver_attached is $(x11_attached) after the compositor went"
x11_pass
