#!/usr/bin/env bash
# The desktop viewer in a window smaller than the status screen shows all of it, reduced to fit
# by area averaging and centred: a client's record at rest, in a 400 x 300 window, is the
# picture orvane-snapshot makes of it reduced by area averaging, to within rounding. At the
# screen's own size and larger it is that picture pixel for pixel, as before.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_small_window
# shellcheck source=clients_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/clients_lib.sh"
# A record of the family that no other test uses: nothing else draws or serves it meanwhile.
X11_CLIENT_NAME[0]=orvane_share_40
[[ ! -e /dev/shm/${X11_CLIENT_NAME[0]} ]] || x11_fail "a record /${X11_CLIENT_NAME[0]} exists already: another client runs"
rm -f "/dev/shm/${X11_CLIENT_NAME[0]}.readers"

# The client at rest, and the picture of its record as published.
X11_CLIENT_DUMP[0]=$X11_WORK/client.bin
x11_client_run 0
"$x11_bin_dir/orvane-snapshot" --record "${X11_CLIENT_DUMP[0]}" --header "$X11_HEADER" --out "$X11_WORK/snapshot.png" \
  >"$X11_WORK/snapshot.log" 2>&1 || x11_fail "orvane-snapshot failed"
picture=$(x11_region "$X11_WORK/snapshot.png" 752x445+0+0)
# The reference: ImageMagick's -scale, which makes each new pixel the mean of the old ones under
# it, each weighted by the part it covers. 445 * 400 / 752 = 236.7 rows, rounded down, centred
# 32 rows down in the 400 x 300 window, black around it.
"$x11_convert" "$X11_WORK/snapshot.png" -crop 752x445+0+0 +repage -scale '400x236!' -background black \
  -gravity north -splice 0x32 -extent 400x300 "$X11_WORK/reduced.png" || x11_fail "the reference reduction failed"

x11_start viewer "$x11_bin_dir/orvane" -window -header "$X11_HEADER" -record "${X11_CLIENT_NAME[0]}"
_window() { xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1; }
x11_poll 20 _window || x11_fail "no window titled Orvane"
window=$(xdotool search --onlyvisible --name '^Orvane$' | head -n 1)

# shows_at X Y: the window, at 0,0 with no window manager, holds the picture whole at X, Y.
shows_at() { x11_shot "$X11_WORK/shot.png" && [[ $(x11_region "$X11_WORK/shot.png" "752x445+$1+$2") == "$picture" ]]; }
x11_poll 20 shows_at 0 0 || x11_fail "the 752 x 445 window does not show the client's status screen ($X11_WORK/shot.png)"

xdotool windowsize "$window" 400 300
# Its 16-bit sums round their own way: a pixel may differ by 1 in a channel, never by 2.
_reduced() {
  x11_shot "$X11_WORK/small.png" || return 1
  off=$("$x11_convert" "$X11_WORK/small.png" -crop 400x300+0+0 +repage miff:- |
          "${x11_convert/convert/compare}" -metric AE -fuzz 0.5% "$X11_WORK/reduced.png" - null: 2>&1)
  [[ $off == 0 ]]
}
x11_poll 20 _reduced ||
  x11_fail "the 400 x 300 window is not the status screen reduced: $off pixels differ ($X11_WORK/small.png)"

xdotool windowsize "$window" 1000 800
x11_poll 20 shows_at 124 177 || x11_fail "the 1000 x 800 window does not show the status screen whole ($X11_WORK/shot.png)"
xdotool windowsize "$window" 752 445
x11_poll 20 shows_at 0 0 || x11_fail "back at 752 x 445 the window does not show the status screen whole ($X11_WORK/shot.png)"
[[ $(x11_client_marker 0) == 1 ]] || x11_fail "saver_attached is $(x11_client_marker 0)"
x11_pass
