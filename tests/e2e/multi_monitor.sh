#!/usr/bin/env bash
# Two monitors side by side with the primary on the right, so that Wine puts the left one at
# negative coordinates: "Monitors" primary shows the status screen centred on the primary, the
# other monitor black; "all" (set in the settings dialog) shows a copy centred on each, the two
# the same.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
E2E_XORG_LAYOUT="--primary right 1280x1024+1280x1024"
e2e_setup multi_monitor

layout=$(timeout 60 wine "$e2e_programs_dir/monitors.exe" 8>&- | tr -d '\r')
e2e_log "Wine's monitors: $(tr '\n' ';' <<<"$layout")"
grep -q '^monitor -1280 0 0 1024 secondary' <<<"$layout" && grep -q '^monitor 0 0 1280 1024 primary' <<<"$layout" ||
  e2e_fail "Wine does not see the primary on the right and the other monitor left of it: $layout"
# The screenshot is the X root, whose left edge is Wine's x = -1280.
left_head=1280x1024+0+0
right_head=1280x1024+1280+0

e2e_write_ini "Blank=0" "Minutes=0"
e2e_start_sim --scenario steady --rate 2
e2e_start_saver /s
E2E_MONITOR=$right_head
e2e_wait_ready canvas 60
lit=$(e2e_nonblack_box "$E2E_WORK/ready.png" "$left_head")
[[ $lit == none ]] || e2e_fail "the monitor that is not primary is not black: $lit lit ($E2E_WORK/ready.png)"
lit=$(e2e_nonblack_box "$E2E_WORK/ready.png" "$right_head")
left=$(e2e_canvas_left)
(($(e2e_box_left "$lit") >= left && $(e2e_box_right "$lit") < left + E2E_CANVAS_W)) ||
  e2e_fail "something beside the canvas is lit on the primary monitor: $lit ($E2E_WORK/ready.png)"
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"

# "all" chosen in the settings dialog while orvane.ini cannot be written: the saver has it from
# the user's store.
e2e_lock_ini || e2e_fail "cannot make orvane.ini immutable"
e2e_run_dialog alt+m Down Return
[[ $(e2e_user_value Monitors) == all && -z $(e2e_ini_value Monitors) ]] ||
  e2e_fail "the dialog did not keep Monitors=all for the user"
e2e_start_saver /s
e2e_wait_ready canvas 60
# Both copies come from one bitmap in one pass; a screenshot may fall between the two copies
# of one update, so it is looked at again until they match.
_both_copies() {
  local shot=$E2E_WORK/all.png a b differ
  e2e_screenshot "$shot" || return 1
  E2E_MONITOR=$left_head e2e_canvas_shown "$shot" || return 1
  E2E_MONITOR=$right_head e2e_canvas_shown "$shot" || return 1
  a=$(E2E_MONITOR=$left_head e2e_canvas_crop)
  b=$(E2E_MONITOR=$right_head e2e_canvas_crop)
  "$e2e_convert" "$shot" -crop "$a" +repage "$E2E_WORK/copy-left.png" || return 1
  "$e2e_convert" "$shot" -crop "$b" +repage "$E2E_WORK/copy-right.png" || return 1
  differ=$("$e2e_compare" -metric AE "$E2E_WORK/copy-left.png" "$E2E_WORK/copy-right.png" null: 2>&1)
  [[ $differ == 0 ]]
}
e2e_poll 30 _both_copies || e2e_fail "no two equal copies, one centred on each monitor ($E2E_WORK/all.png)"
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_pass
