#!/usr/bin/env bash
# Cursor travel is measured as |dx| + |dy| from where the cursor was when the saver started:
# 4 pixels in total (2 and 2, 4 and 0) do not end the saver; 5 (3 and 2, which is less than 4
# as a straight line) do. On a 1024 x 768 screen, which also shows the canvas centred there.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup mouse_threshold 1024x768x24

e2e_write_ini "Blank=0" "Minutes=0"
e2e_start_sim --scenario steady --rate 2
xdotool mousemove 500 400
e2e_start_saver /s
e2e_wait_fields 30 saver_attached=1 || e2e_fail "the saver did not attach"
e2e_wait_ready canvas
e2e_canvas_shown "$E2E_WORK/ready.png" || e2e_fail "no status screen centred on 1024 x 768 ($E2E_WORK/ready.png)"

# still_running WHAT: the saver must survive the movement just made. Movement is handled before
# the next tick, so ticks that draw after it show that it did not close the saver.
still_running() {
  e2e_wait_ticks || e2e_fail "the saver ended after $1"
}
at() { xdotool mousemove "$1" "$2"; }
at 502 402; still_running "moving 2 right and 2 down"
at 500 400; still_running "moving back to the start"
at 504 400; still_running "moving 4 right"
at 500 396; still_running "moving 4 up"
at 497 399; still_running "moving 3 left and 1 up"
at 500 400; still_running "moving back to the start"

at 503 402
e2e_wait_exit saver 30 || e2e_fail "moving 3 right and 2 down (5 pixels) did not end the saver"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
e2e_pass
