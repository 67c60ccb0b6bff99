#!/usr/bin/env bash
# "Clients=overview": the saver serves every client of the machine. Three clients publish on
# orvane_share_2 to orvane_share_4 and none on orvane_share: the saver attaches to each record
# (its marker 1 in every one), lowers the flags each client raises, draws a card for each in
# the grid, starts no client although orvane_share is missing, and puts every marker back to
# 0 when it ends. Then "Clients=rotate" on the same clients: one screen at a time with its
# client's name above it, the name changing with the turn, every client served meanwhile.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup many_clients

client_dir=$E2E_WORK/client
mkdir -p "$client_dir"
cp "$e2e_programs_dir/record-cmdline.exe" "$client_dir/" || e2e_fail "cannot copy record-cmdline.exe"
log=$client_dir/record-cmdline.log
e2e_write_ini "Blank=0" "Minutes=0" "Clients=overview" "ClientPath=$(e2e_winpath "$client_dir/record-cmdline.exe")" \
  "ClientDir=$(e2e_winpath "$client_dir")"
e2e_record_exists && e2e_fail "a record exists before the test starts"

records=(orvane_share_2 orvane_share_3 orvane_share_4)
_record_there() { e2e_peek --record "$1" saver_attached >/dev/null 2>&1; }
# One orvane-sim for the three, from the family's second name on. Slow enough that a flag the
# test raises is seen lowered by the saver, not by the next update.
e2e_start_wine sims "$e2e_bin_dir/orvane-sim.exe" --clients 3 --first orvane_share_2 --rate 2
for record in "${records[@]}"; do
  e2e_poll 30 _record_there "$record" || e2e_fail "orvane-sim made no record $record"
  [[ $(e2e_peek --record "$record" saver_attached | tr -d '\r') == saver_attached=0 ]] ||
    e2e_fail "$record says a saver is attached before any runs"
done

e2e_start_saver /s
for record in "${records[@]}"; do
  e2e_peek --record "$record" --timeout 30 --until saver_attached=1 >/dev/null ||
    e2e_fail "the saver did not attach to $record"
done
# Each client's raised flags go down, twice in a row: every record is served on every tick, not
# once at the start. (The clients raise flags of their own twice a second; these two are
# raised here and waited for.)
for round in 1 2; do
  for record in "${records[@]}"; do
    timeout 60 wine "$e2e_programs_dir/record-poke.exe" --record "$record" status_text_a_changed=1 \
      user_info_changed=1 >>"$E2E_WORK/record-poke.log" 2>&1 8>&- || e2e_fail "cannot raise the flags of $record"
    e2e_peek --record "$record" --timeout 20 --until status_text_a_changed=0 --until user_info_changed=0 >/dev/null ||
      e2e_fail "the saver did not lower the flags of $record (round $round)"
  done
done
e2e_running saver || e2e_fail "the saver ended while showing three clients"

# The grid of a 1280 x 1024 screen: 2 x 3 cards of 480 x 270, centred. The three clients'
# cards fill the first three cells, the others stay black.
_cards_shown() {
  local cell x y lit
  e2e_screenshot "$E2E_WORK/overview.png" || return 1
  for cell in 0 1 2 3 4 5; do
    x=$((160 + (cell % 2) * 480))
    y=$((107 + (cell / 2) * 270))
    lit=$(e2e_nonblack_box "$E2E_WORK/overview.png" "480x270+$x+$y") || return 1
    if ((cell < 3)); then [[ $lit != none ]] || return 1; else [[ $lit == none ]] || return 1; fi
  done
}
e2e_poll 30 _cards_shown || e2e_fail "the screen does not show three cards in the grid (last: $E2E_WORK/overview.png)"

[[ ! -e $log ]] || e2e_fail "the saver started the client although clients of the family run: $(cat "$log")"
e2e_record_exists && e2e_fail "a record orvane_share appeared"

_saver_takes_keys() {
  e2e_saver_has_x_input && [[ $(e2e_foreground) == *" class WindowsScreenSaverClass title Screen Saver" ]]
}
e2e_poll 30 _saver_takes_keys || e2e_fail "the saver's window does not take the keyboard"
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
_markers_down() {
  local record
  for record in "${records[@]}"; do
    [[ $(e2e_peek --record "$record" saver_attached | tr -d '\r') == saver_attached=0 ]] ||
      e2e_fail "the saver left its attached marker behind in $record"
  done
}
_markers_down

# "Clients=rotate": one status screen at a time, centred as ever, its client's name in the
# black band above it; every client is still served while another is shown, and the name
# changes when the turn passes (five seconds here).
e2e_write_ini "Blank=0" "Minutes=0" "Clients=rotate" "RotateSeconds=5" \
  "ClientPath=$(e2e_winpath "$client_dir/record-cmdline.exe")" "ClientDir=$(e2e_winpath "$client_dir")"
e2e_start_saver /s
e2e_wait_canvas 30 || e2e_fail "no status screen in rotation (last: $E2E_WORK/canvas.png)"
band="${E2E_CANVAS_W}x40+$(e2e_canvas_left)+$(($(e2e_canvas_top) - 40))"
_band_text() {
  e2e_screenshot "$E2E_WORK/band.png" || return 1
  "$e2e_convert" "$E2E_WORK/band.png" -crop "$band" +repage -alpha off -format '%#' info: 2>/dev/null
}
first_name=
_first_name() { first_name=$(_band_text) && [[ $(e2e_nonblack_box "$E2E_WORK/band.png" "$band") != none ]]; }
e2e_poll 20 _first_name || e2e_fail "no name above the status screen (last: $E2E_WORK/band.png)"
for record in "${records[@]}"; do
  timeout 60 wine "$e2e_programs_dir/record-poke.exe" --record "$record" status_text_b_changed=1 \
    >>"$E2E_WORK/record-poke.log" 2>&1 8>&- || e2e_fail "cannot raise a flag of $record"
  e2e_peek --record "$record" --timeout 20 --until status_text_b_changed=0 --until saver_attached=1 >/dev/null ||
    e2e_fail "the rotating saver does not serve $record"
done
_next_name() {
  local now
  now=$(_band_text) || return 1
  [[ $now != "$first_name" && $(e2e_nonblack_box "$E2E_WORK/band.png" "$band") != none ]]
}
e2e_poll 20 _next_name || e2e_fail "the name above the status screen did not change with the turn"
e2e_screenshot "$E2E_WORK/rotated.png"
e2e_canvas_shown "$E2E_WORK/rotated.png" || e2e_fail "the next client's status screen is not where the first was"
[[ ! -e $log ]] || e2e_fail "the rotating saver started the client: $(cat "$log")"
e2e_poll 30 _saver_takes_keys || e2e_fail "the rotating saver's window does not take the keyboard"
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the rotating saver did not end after a key press"
_markers_down
e2e_pass
