#!/usr/bin/env bash
# With "Shift" 1 (ticked in the settings dialog) the status screen starts centred and, a minute after the saver started, moves
# to the orbit's next point, 8 pixels to the right, leaving nothing lit where it was.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
E2E_TIME_LIMIT=150
e2e_setup shift_orbit

# Set in the settings dialog while orvane.ini cannot be written: the saver has it from the
# user's store.
e2e_write_ini "Blank=0" "Minutes=0"
e2e_lock_ini || e2e_fail "cannot make orvane.ini immutable"
e2e_run_dialog alt+v Return
[[ $(e2e_user_value Shift) == 1 && -z $(e2e_ini_value Shift) ]] || e2e_fail "the dialog did not keep Shift=1 for the user"
e2e_start_sim --scenario steady --rate 2
started=$SECONDS
e2e_start_saver /s
e2e_wait_ready canvas 60
centred=$(e2e_color_box "$E2E_WORK/ready.png" "$E2E_VIOLET")
e2e_log "frame at $centred, $((SECONDS - started)) s after the start"

# By its left edge: the graph below the frame can show the frame's violet now and then, which
# changes the box's height but never its left edge.
_moved() {
  local box
  e2e_screenshot "$E2E_WORK/moved.png" || return 1
  box=$(e2e_color_box "$E2E_WORK/moved.png" "$E2E_VIOLET") || return 1
  [[ $box != none && $(e2e_box_left "$box") != "$(e2e_box_left "$centred")" ]]
}
e2e_poll 100 _moved || e2e_fail "the status screen did not move within 100 s ($E2E_WORK/moved.png)"
after=$((SECONDS - started))
moved=$(e2e_color_box "$E2E_WORK/moved.png" "$E2E_VIOLET")
e2e_log "frame at $moved, $after s after the start"
# The saver's minute starts when its window does, a little after the command started.
((after >= 60)) || e2e_fail "the status screen moved after $after s, before its first minute was up"
[[ $(e2e_box_left "$moved") == $(($(e2e_box_left "$centred") + 8)) && $(e2e_box_top "$moved") == $(e2e_box_top "$centred") &&
   $(e2e_box_right "$moved") == $(($(e2e_box_right "$centred") + 8)) ]] ||
  e2e_fail "the frame moved from $centred to $moved, not 8 pixels to the right ($E2E_WORK/moved.png)"
# Everything lit lies inside the canvas at its new place: the column it left is black again.
lit=$(e2e_nonblack_box "$E2E_WORK/moved.png")
left=$(($(e2e_canvas_left) + 8))
(($(e2e_box_left "$lit") >= left && $(e2e_box_right "$lit") < left + E2E_CANVAS_W)) ||
  e2e_fail "something outside the moved canvas is lit: $lit ($E2E_WORK/moved.png)"

xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_pass
