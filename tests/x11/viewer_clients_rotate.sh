#!/usr/bin/env bash
# Three clients of the family at rest. With -clients rotate each one's status screen comes in
# turn, in the family's order, each the picture orvane-snapshot makes of that client's record,
# with the client's name above it; all three are served the while (flags down, marker 1). A
# client that ends leaves the turns. With -clients one, the records other than orvane_share are
# left exactly as their clients wrote them; -record NAME shows and serves that client alone.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
X11_TIME_LIMIT=100 x11_setup viewer_clients_rotate 1280x1024x24
# shellcheck source=clients_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/clients_lib.sh"
x11_clients_start

# A window with room above the status screen for the title: the copy at (264, 77). Each viewer
# gets a new one, so that no picture of the one before is taken for its own.
new_window() {
  x11_stop window TERM
  x11_start window "$x11_bin_dir/x11-test-window" 1280 600 0 0
  _window_shown() { grep -q '^window 0x' "$X11_WORK/window.out"; }
  x11_poll 20 _window_shown || x11_fail "the test window did not appear"
  window=$(sed -n 's/^window //p' "$X11_WORK/window.out")
}
new_window
copy=752x445+264+77
band=752x24+264+51

# -clients one: only orvane_share is served; the others keep every byte their clients wrote.
x11_start one "$x11_bin_dir/orvane" -window-id "$window" -header "$X11_HEADER"
_one_shown() { x11_shot "$X11_WORK/one.png" && [[ $(x11_region "$X11_WORK/one.png" "$copy") == "${X11_CLIENT_PICTURE[0]}" ]]; }
x11_poll 20 _one_shown || x11_fail "-clients one does not show orvane_share's status screen ($X11_WORK/one.png)"
x11_client_served 0 || x11_fail "orvane_share is not served by -clients one: $(x11_client_state 0)"
for k in 1 2; do
  cmp -s "${X11_CLIENT_DUMP[k]}" "/dev/shm/${X11_CLIENT_NAME[k]}" ||
    x11_fail "-clients one changed ${X11_CLIENT_NAME[k]}: $(x11_client_state "$k")"
done
x11_stop one TERM

# -record NAME: that client alone.
new_window
x11_start named "$x11_bin_dir/orvane" -window-id "$window" -header "$X11_HEADER" -record "${X11_CLIENT_NAME[2]}"
_named_shown() { x11_shot "$X11_WORK/named.png" && [[ $(x11_region "$X11_WORK/named.png" "$copy") == "${X11_CLIENT_PICTURE[2]}" ]]; }
x11_poll 20 _named_shown || x11_fail "-record ${X11_CLIENT_NAME[2]} does not show that client ($X11_WORK/named.png)"
x11_client_served 2 || x11_fail "-record does not serve ${X11_CLIENT_NAME[2]}: $(x11_client_state 2)"
cmp -s "${X11_CLIENT_DUMP[1]}" "/dev/shm/${X11_CLIENT_NAME[1]}" || x11_fail "-record changed ${X11_CLIENT_NAME[1]}"
x11_stop named TERM

# A record whose flags a reader lowered shows nothing new to the next reader: those clients
# start again, as they were.
for k in 0 2; do
  x11_stop "client$k" TERM
  x11_client_run "$k"
done

# Rotation: each client in turn, each turn five seconds.
new_window
x11_start rotate "$x11_bin_dir/orvane" -window-id "$window" -header "$X11_HEADER" -clients rotate -rotate 5
shown=-1
seen=()
declare -A titles=()
# Notes which client's screen is on show; succeeds once it has moved on to the one wanted.
_showing() {
  local want=$1 picture k
  x11_shot "$X11_WORK/rotate.png" || return 1
  picture=$(x11_region "$X11_WORK/rotate.png" "$copy")
  for k in 0 1 2; do
    [[ $picture == "${X11_CLIENT_PICTURE[k]}" ]] || continue
    if ((k != shown)); then
      shown=$k
      seen+=("$k")
      titles[$k]=$(x11_region "$X11_WORK/rotate.png" "$band")
      (($(x11_count "$X11_WORK/rotate.png" '#FFFFFF' "$band") > 30)) || x11_fail "no title above ${X11_CLIENT_NAME[k]}"
    fi
    [[ $k == "$want" ]]
    return
  done
  return 1
}
x11_poll 20 _showing 0 || x11_fail "rotate never showed orvane_share's screen ($X11_WORK/rotate.png)"
x11_poll 12 _showing 1 || x11_fail "the turn did not pass to ${X11_CLIENT_NAME[1]} (seen: ${seen[*]})"
x11_poll 12 _showing 2 || x11_fail "the turn did not pass to ${X11_CLIENT_NAME[2]} (seen: ${seen[*]})"
x11_poll 12 _showing 0 || x11_fail "the turn did not come back to orvane_share (seen: ${seen[*]})"
[[ ${seen[*]} == "0 1 2 0" ]] || x11_fail "the turns went ${seen[*]}, not 0 1 2 0"
[[ ${titles[0]} != "${titles[1]}" && ${titles[1]} != "${titles[2]}" ]] || x11_fail "the clients' titles are the same"
for k in 0 1 2; do
  x11_client_served "$k" || x11_fail "${X11_CLIENT_NAME[k]} is not served in rotation: $(x11_client_state "$k")"
done

# The second client ends: the turns go on between the other two.
x11_stop client1 TERM
seen=()
x11_poll 12 _showing 2 || x11_fail "the turn did not pass to ${X11_CLIENT_NAME[2]} after one ended (seen: ${seen[*]})"
x11_poll 12 _showing 0 || x11_fail "the turn did not come back to orvane_share after one ended (seen: ${seen[*]})"
x11_poll 12 _showing 2 || x11_fail "the turn did not pass to ${X11_CLIENT_NAME[2]} again (seen: ${seen[*]})"
[[ " ${seen[*]} " != *" 1 "* ]] || x11_fail "the ended client was shown again (seen: ${seen[*]})"
x11_stop rotate TERM
[[ $X11_STATUS == 0 ]] || x11_fail "orvane's exit status after SIGTERM is $X11_STATUS"
for k in 0 2; do
  [[ $(x11_client_marker "$k") == 0 ]] || x11_fail "${X11_CLIENT_NAME[k]}'s marker is still set after orvane ended"
done
x11_pass
