#!/usr/bin/env bash
# Two Windows readers of one record at once: a preview the size of the screen (given the
# desktop as its parent, it runs full size) and the full-screen saver. Both mark themselves
# attached; the flags raised while both run are lowered; the first to end leaves the marker at
# 1 for the other, and the marker goes to 0 only when the last one ends.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup two_readers

e2e_write_ini "Blank=0" "Minutes=0"
e2e_start_sim --scenario steady --rate 2 --seed 11

stop=$E2E_WORK/stop-preview
e2e_start_preview --parent desktop --timeout 80
out=$E2E_WORK/preview.out
_preview_line() { e2e_preview_said "$1"; }
e2e_poll 30 _preview_line child-window || e2e_fail "the preview window did not appear"
e2e_wait_fields 30 saver_attached=1 || e2e_fail "the full-size preview did not attach"

e2e_start_saver /s
e2e_wait_canvas 30 || e2e_fail "no status screen from the saver beside the preview (last: $E2E_WORK/canvas.png)"
flags=(user_info_changed status_text_a_changed best_peak_changed message_changed)
raise=()
lowered=()
for f in "${flags[@]}"; do raise+=("$f=1"); lowered+=("$f=0"); done
e2e_poke "${raise[@]}" || e2e_fail "record-poke failed"
e2e_wait_fields 30 "${lowered[@]}" || e2e_fail "nobody lowered the raised flags with two readers"

e2e_wait_ready canvas
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_expect_field saver_attached 1 "the saver wrote 0 while the preview was still attached"
# The preview serves the record alone now.
e2e_poke "${raise[@]}" || e2e_fail "record-poke failed"
e2e_wait_fields 30 "${lowered[@]}" || e2e_fail "the preview did not take over the raised flags"

touch "$stop"
e2e_wait_exit preview 30 || e2e_fail "preview-host did not stop"
e2e_expect_field saver_attached 0 "saver_attached is not 0 after the last reader ended"
e2e_pass
