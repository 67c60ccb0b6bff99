#!/usr/bin/env bash
# Besides a key and movement, the full-screen saver ends on a mouse button, on Alt (which
# arrives as WM_SYSKEYDOWN, not WM_KEYDOWN) and when another application's window becomes the
# active one (WM_ACTIVATEAPP with 0); each time with exit status 0 and marked detached.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup dismiss_other_ways

e2e_write_ini "Blank=0" "Minutes=0"
e2e_start_sim --scenario steady --rate 2

# ends_on WHAT COMMAND...: a fresh saver, ready for input, must end after COMMAND.
ends_on() {
  local what=$1
  shift
  e2e_start_saver /s
  e2e_wait_ready canvas
  "$@" || e2e_fail "cannot send $what"
  e2e_wait_exit saver 30 || e2e_fail "the saver did not end on $what"
  [[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "after $what the saver's exit status is ${E2E_STATUS[saver]}, not 0"
  e2e_expect_field saver_attached 0 "saver_attached is not 0 after $what"
  e2e_log "ended on $what"
}

# The pointer stays where it is: only the button can end the saver.
ends_on "the left button" xdotool click 1
ends_on "the right button" xdotool click 3
ends_on "Alt" xdotool key alt

# Another program's window taken to the foreground deactivates the saver's application.
stop=$E2E_WORK/stop-window
take_foreground() {
  e2e_start_wine window "$e2e_programs_dir/foreground.exe" --take --stop-file "$(e2e_winpath "$stop")" --timeout 60
}
ends_on "another window becoming active" take_foreground
tr -d '\r' <"$E2E_WORK/window.out" | grep -qx 'foreground-taken' ||
  e2e_fail "the other window did not become the foreground: $(cat "$E2E_WORK/window.out")"
touch "$stop"
e2e_wait_exit window 30 || e2e_fail "the other window did not close"
e2e_pass
