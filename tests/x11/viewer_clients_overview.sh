#!/usr/bin/env bash
# Three clients of the family at rest under orvane -clients overview: a card each, in the
# family's order, each pixel for pixel the card the same code draws alone for that record; all
# three served (flags down, marker 1). A client that ends is marked so on its card, and leaves
# the grid once the stale period (-stale 1) is over; the others are marked stale by then.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
X11_TIME_LIMIT=110 x11_setup viewer_clients_overview 1600x1200x24
# shellcheck source=clients_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/clients_lib.sh"
[[ -x $x11_bin_dir/x11-card-alone ]] || x11_fail "missing $x11_bin_dir/x11-card-alone"
x11_clients_start

# Three cards by two: the board fills the window from its corner.
x11_start window "$x11_bin_dir/x11-test-window" 1440 540 0 0
_window_shown() { grep -q '^window 0x' "$X11_WORK/window.out"; }
x11_poll 20 _window_shown || x11_fail "the test window did not appear"
window=$(sed -n 's/^window //p' "$X11_WORK/window.out")
cell() { echo "480x270+$(($1 % 3 * 480))+$(($1 / 3 * 270))"; }

# card K STATE: the checksum of client K's card drawn alone.
card() {
  local file=$X11_WORK/card$1-$2.ppm
  [[ -e $file ]] || "$x11_bin_dir/x11-card-alone" "${X11_CLIENT_DUMP[$1]}" "${X11_CLIENT_NAME[$1]}" "$2" "$file" ||
    x11_fail "x11-card-alone failed for client $1"
  x11_region "$file" 480x270+0+0
}
# shows SLOT K STATE...: slot SLOT holds client K's card in one of the states.
shows() {
  local slot=$1 k=$2 state picture
  shift 2
  picture=$(x11_region "$X11_WORK/shot.png" "$(cell "$slot")")
  for state in "$@"; do [[ $picture == "$(card "$k" "$state")" ]] && return 0; done
  return 1
}

x11_start viewer "$x11_bin_dir/orvane" -window-id "$window" -header "$X11_HEADER" -clients overview -stale 1
_three_cards() { x11_shot "$X11_WORK/shot.png" && shows 0 0 live && shows 1 1 live && shows 2 2 live; }
x11_poll 20 _three_cards || x11_fail "the overview does not show the three clients' cards ($X11_WORK/shot.png)"
for k in 0 1 2; do
  x11_client_served "$k" || x11_fail "${X11_CLIENT_NAME[k]} is not served by the overview: $(x11_client_state "$k")"
done

# The second client ends: its card says so at once, and the grid closes up after the minute.
x11_stop client1 TERM
_ended() { x11_shot "$X11_WORK/shot.png" && shows 1 1 ended && shows 2 2 live; }
x11_poll 5 _ended || x11_fail "the card of the client that ended does not say so ($X11_WORK/shot.png)"
# (Records of other programs' tests may come after ours in the family: only ours are looked at.)
_left() {
  local slot
  x11_shot "$X11_WORK/shot.png" && shows 1 2 live stale || return 1
  for slot in 2 3 4 5; do shows "$slot" 1 ended live stale && return 1; done
  return 0
}
x11_poll 75 _left || x11_fail "the client that ended did not leave the grid ($X11_WORK/shot.png)"
x11_shot "$X11_WORK/shot.png"
shows 0 0 stale || x11_fail "orvane_share's card does not say stale after a minute at rest ($X11_WORK/shot.png)"
for k in 0 2; do
  x11_client_served "$k" || x11_fail "${X11_CLIENT_NAME[k]} is not served any more: $(x11_client_state "$k")"
done
x11_stop viewer TERM
[[ $X11_STATUS == 0 ]] || x11_fail "orvane's exit status after SIGTERM is $X11_STATUS"
x11_pass
