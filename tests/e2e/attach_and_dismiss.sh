#!/usr/bin/env bash
# With a client writing the record, the full-screen saver attaches, writes its marker,
# priority class and graph area into the record, shows the status screen centred, lowers the
# change flags it has drawn, and ends on a key press, marking itself detached.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup attach_and_dismiss

e2e_write_ini "Blank=0" "Minutes=0"
# A slow client, so that the flags it raises itself rarely hide the ones we raise.
e2e_start_sim --scenario steady --rate 2 --seed 7
e2e_expect_field saver_attached 0 "the record says a saver is attached before any runs"

e2e_start_saver /s
e2e_wait_fields 30 saver_attached=1 || e2e_fail "the saver did not mark itself attached"
values=$(e2e_peek saver_attached saver_priority_class graph_area_width graph_area_height | tr -d '\r')
e2e_log "record: $(tr '\n' ' ' <<<"$values")"
grep -qx 'saver_priority_class=32' <<<"$values" ||
  e2e_fail "saver_priority_class is not the normal class 0x20: $values"
grep -qx 'graph_area_width=642' <<<"$values" || e2e_fail "graph_area_width is not 642: $values"
grep -qx 'graph_area_height=185' <<<"$values" || e2e_fail "graph_area_height is not 185: $values"

e2e_wait_canvas 30 || e2e_fail "no centred status screen on the screen (last: $E2E_WORK/canvas.png)"
shot=$E2E_WORK/canvas.png
left=$(e2e_canvas_left)
top=$(e2e_canvas_top)
canvas="${E2E_CANVAS_W}x${E2E_CANVAS_H}+$left+$top"
violet=$(e2e_color_box "$shot" "$E2E_VIOLET")
e2e_log "violet frame at $violet, canvas expected at $canvas"
# The top bar runs straight between its rounded ends: its middle row is violet all along.
bar_y=$(($(e2e_box_top "$violet") + 4))
for x in $((left + 14)) $((E2E_SCREEN_W / 2)) $((left + E2E_CANVAS_W - 15)); do
  [[ $(e2e_pixel "$shot" "$x" "$bar_y") == "$E2E_VIOLET" ]] || e2e_fail "the top bar is not violet at ($x, $bar_y)"
done
# Nothing of the status screen outside the canvas.
outside=$(( $(e2e_color_count "$shot" "$E2E_VIOLET") - $(e2e_color_count "$shot" "$E2E_VIOLET" "$canvas") ))
((outside == 0)) || e2e_fail "$outside violet pixels outside the canvas"
green=$(e2e_color_box "$shot" '#00FF00' "$canvas")
[[ $green != none ]] || e2e_fail "no lit meter segment (pure green) on the status screen"
e2e_log "lit meter segments at $green"
[[ $(e2e_color_count "$shot" '#00FF00') -eq $(e2e_color_count "$shot" '#00FF00' "$canvas") ]] ||
  e2e_fail "green pixels outside the canvas"

# Flags raised now (the record's fields are the client's: only the flags change) must be
# drawn and lowered.
flags=(user_info_changed data_info_changed status_text_a_changed status_text_b_changed message_changed
       search_params_changed best_peak_changed best_gaussian_changed)
raise=()
lowered=()
for f in "${flags[@]}"; do raise+=("$f=1"); lowered+=("$f=0"); done
e2e_poke "${raise[@]}" || e2e_fail "record-poke failed"
e2e_wait_fields 30 "${lowered[@]}" || e2e_fail "the saver did not lower the raised flags"
e2e_running saver || e2e_fail "the saver ended by itself"

e2e_wait_ready canvas
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
e2e_expect_field saver_attached 0 "saver_attached is not 0 after the saver ended"
e2e_pass
