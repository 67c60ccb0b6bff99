#!/usr/bin/env bash
# The settings dialog where orvane.ini in the Windows directory cannot be written, as for a
# standard user: OK keeps every setting, the display ones included, for the user, the file
# unchanged, and the reopened dialog shows them. With the per-user store refusing writes as
# well, OK says so in a message box and the dialog stays open, nothing written.
# (blank_after_minutes.sh, high_dpi.sh, multi_monitor.sh and shift_orbit.sh show the saver
# using settings kept this way.)
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup settings_per_user

e2e_write_ini "Blank=0" "Minutes=3" "Monitors=primary" "Scale=0" "Shift=0" "ClientDir=C:\\nowhere"
e2e_lock_ini || e2e_fail "cannot make orvane.ini immutable"
file_before=$(cat "$(e2e_ini_path)")

# Minutes 12, blank on; each monitor, scale 2, shift on.
e2e_run_dialog Tab Tab 1 2 Tab space alt+m Down alt+s 2 alt+v Return
[[ ${E2E_STATUS[saver]} == 1 ]] || e2e_fail "/c after OK exited with ${E2E_STATUS[saver]}, not 1"
[[ $(cat "$(e2e_ini_path)") == "$file_before" ]] || e2e_fail "the immutable orvane.ini changed"
kept="Blank=$(e2e_user_value Blank) Minutes=$(e2e_user_value Minutes) Monitors=$(e2e_user_value Monitors)"
kept+=" Scale=$(e2e_user_value Scale) Shift=$(e2e_user_value Shift)"
e2e_log "kept for the user: $kept"
[[ $kept == "Blank=1 Minutes=12 Monitors=all Scale=2 Shift=1" ]] ||
  e2e_fail "OK did not keep the settings for the user: $kept"
[[ -z $(e2e_user_value ClientDir) ]] || e2e_fail "the dialog wrote a per-user ClientDir"

# Reopened, the dialog shows what it kept: OK at once, once the file can be written again,
# writes there exactly what the dialog showed.
e2e_unlock_ini
e2e_run_dialog Return
shown="Blank=$(e2e_ini_value Blank) Minutes=$(e2e_ini_value Minutes) Monitors=$(e2e_ini_value Monitors)"
shown+=" Scale=$(e2e_ini_value Scale) Shift=$(e2e_ini_value Shift)"
e2e_log "the reopened dialog showed: $shown"
[[ $shown == "Blank=1 Minutes=12 Monitors=all Scale=2 Shift=1" ]] || e2e_fail "the reopened dialog showed $shown"
[[ $(e2e_ini_value ClientDir) == 'C:\nowhere' ]] || e2e_fail "the dialog changed ClientDir"

# Neither store takes the values: a message, the dialog stays open, and nothing changes.
e2e_lock_ini || e2e_fail "cannot make orvane.ini immutable"
e2e_lock_user_store || e2e_fail "cannot make the per-user store read-only: $(cat "$E2E_WORK/user-store-lock.log")"
file_before=$(cat "$(e2e_ini_path)")
e2e_open_dialog
xdotool key --delay 100 Tab Tab 4 Return
_message_box() { xdotool search --name '^Orvane$' 2>/dev/null | head -n 1; }
_message_shown() { [[ -n $(_message_box) ]]; }
e2e_poll 20 _message_shown || e2e_fail "OK with neither store writable showed no message"
e2e_screenshot "$E2E_WORK/not-saved.png"
e2e_running saver || e2e_fail "the dialog closed although nothing was saved"
e2e_focus_titled Orvane || e2e_fail "cannot give the message box the keyboard focus"
xdotool key Return
_message_gone() { ! _message_shown; }
e2e_poll 20 _message_gone || e2e_fail "the message box did not close on Return"
_e2e_dialog_open || e2e_fail "the dialog went with the message box"
e2e_running saver || e2e_fail "the dialog closed although nothing was saved"
e2e_focus_titled "$E2E_DIALOG_TITLE" || e2e_fail "cannot give the dialog the keyboard focus"
xdotool key Escape
e2e_wait_exit saver 30 || e2e_fail "the dialog did not close on Escape"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "/c after Cancel exited with ${E2E_STATUS[saver]}, not 0"
[[ $(e2e_user_value Minutes) == 12 ]] || e2e_fail "the kept Minutes changed to '$(e2e_user_value Minutes)'"
[[ $(cat "$(e2e_ini_path)") == "$file_before" ]] || e2e_fail "the immutable orvane.ini changed"
e2e_pass
