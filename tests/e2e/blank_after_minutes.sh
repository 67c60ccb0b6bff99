#!/usr/bin/env bash
# "Blank" 1 with "Minutes" 1: the status screen shows and updates for a minute, then the
# screen turns black and the display stops updating. The two are set in the settings dialog
# while orvane.ini cannot be written (as for a standard user), so the saver has them from the
# per-user store alone.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup blank_after_minutes

e2e_write_ini "Blank=0" "Minutes=0"
e2e_lock_ini || e2e_fail "cannot make orvane.ini immutable"
e2e_run_dialog Tab Tab 1 Tab space Return
[[ $(e2e_user_value Blank) == 1 && $(e2e_user_value Minutes) == 1 ]] ||
  e2e_fail "the dialog did not keep Blank=1 Minutes=1 for the user"
[[ $(e2e_ini_value Blank) == 0 && $(e2e_ini_value Minutes) == 0 ]] || e2e_fail "the immutable orvane.ini changed"
e2e_start_sim --scenario steady --rate 2
started=$SECONDS
e2e_start_saver /s
e2e_wait_fields 30 saver_attached=1 || e2e_fail "the saver did not attach"
e2e_wait_canvas 30 || e2e_fail "no status screen before the minute is up (last: $E2E_WORK/canvas.png)"

# Well inside the minute (it starts after we started the saver): still showing and updating,
# up to half a minute after the start.
e2e_wait_ticks || e2e_fail "the saver did not update the display before blanking"
_shows_until_half_minute() {
  e2e_screenshot "$E2E_WORK/half-minute.png" || return 1
  e2e_canvas_shown "$E2E_WORK/half-minute.png" || e2e_fail "the screen blanked before the minute was up"
  ((SECONDS - started >= 30))
}
e2e_poll 40 _shows_until_half_minute || e2e_fail "half a minute did not pass"

# Blank: no status screen left, and nothing lit but (once the client shows its message, as the
# stand-in does a minute into its run) the attention banner's strip, y 10..39.
_blanked() {
  local shot=$1 lit
  e2e_screenshot "$shot" || return 1
  [[ $(e2e_color_count "$shot" "$E2E_VIOLET") -eq 0 ]] || return 1
  lit=$(e2e_nonblack_box "$shot")
  [[ $lit == none ]] || (($(e2e_box_top "$lit") >= 10 && $(e2e_box_bottom "$lit") <= 39))
}
e2e_poll 60 _blanked "$E2E_WORK/black.png" || e2e_fail "the screen did not blank after a minute (last: $E2E_WORK/black.png)"
e2e_log "blank $((SECONDS - started)) s after the start"
# A raised flag must stay raised. The blank saver's only visible work is the banner: once it
# has moved, ticks have run since the flag went up.
e2e_poke status_text_a_changed=1 message_on=1 || e2e_fail "record-poke failed"
e2e_wait_banner_moves || e2e_fail "no banner moving across the blank screen (last: $E2E_WORK/banner.png)"
e2e_expect_field status_text_a_changed 1 "the blank saver still lowers change flags"
_blanked "$E2E_WORK/still-black.png" || e2e_fail "the screen did not stay blank ($E2E_WORK/still-black.png)"

e2e_wait_ready blank
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_pass
