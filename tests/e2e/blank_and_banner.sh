#!/usr/bin/env bash
# "Blank" 1 with "Minutes" 0: the saver blanks at once, so the status screen never shows and
# the display stops updating (flags stay raised). The screen stays black while the client has
# no message; once message_on is set, the attention banner slides from right to left across
# the top, 30 pixels high from y = 10.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup blank_and_banner

e2e_write_ini "Blank=1" "Minutes=0"
e2e_start_sim --scenario steady --rate 2 --seed 11
[[ $(e2e_field message_on) == 0 ]] || e2e_fail "the client shows a message already"

e2e_start_saver /s
e2e_wait_fields 30 saver_attached=1 || e2e_fail "the saver did not attach"

pixels=$((E2E_SCREEN_W * E2E_SCREEN_H))
_all_black() {
  e2e_screenshot "$E2E_WORK/black.png" && [[ $(e2e_color_count "$E2E_WORK/black.png" '#000000') -eq $pixels ]]
}
# Xvfb's root window is a black and white weave: all black means the saver covers it.
e2e_poll 30 _all_black || e2e_fail "the screen did not turn black (last: $E2E_WORK/black.png)"

# A flag raised now must stay raised: a blank saver no longer updates the display.
e2e_poke status_text_a_changed=1 || e2e_fail "record-poke failed"
for i in 1 2 3 4; do
  sleep 0.5
  shot=$E2E_WORK/still-black-$i.png
  e2e_screenshot "$shot"
  [[ $(e2e_color_count "$shot" "$E2E_VIOLET") -eq 0 ]] || e2e_fail "the status screen showed while blank ($shot)"
  [[ $(e2e_color_count "$shot" '#000000') -eq $pixels ]] || e2e_fail "the blank screen is not all black ($shot)"
done
[[ $(e2e_field status_text_a_changed) == 1 ]] || e2e_fail "the blank saver still lowers change flags"
e2e_running saver || e2e_fail "the saver ended by itself"

# The message: the banner appears in the strip 10..39 and nowhere else.
e2e_poke message_on=1 || e2e_fail "record-poke failed"
strip="${E2E_SCREEN_W}x30+0+10"
_banner_seen() {
  e2e_screenshot "$E2E_WORK/banner-0.png" && [[ $(e2e_nonblack_box "$E2E_WORK/banner-0.png") != none ]]
}
e2e_poll 40 _banner_seen || e2e_fail "no banner within 40 s of message_on (last: $E2E_WORK/banner-0.png)"

# Three looks 1.5 s apart. A pass lasts 24 s, so at most one of the two intervals can hold the
# start of a new pass; the other must show the banner further left: its left end (while it
# enters) or its right end (while it leaves) smaller, and neither end further right.
declare -a lefts rights
for i in 1 2 3; do
  ((i == 1)) || sleep 1.5
  shot=$E2E_WORK/banner-$i.png
  e2e_screenshot "$shot"
  all=$(e2e_nonblack_box "$shot")
  [[ $all != none ]] || e2e_fail "the banner vanished ($shot)"
  [[ $(e2e_box_top "$all") -ge 10 && $(e2e_box_bottom "$all") -le 39 ]] ||
    e2e_fail "something other than the banner strip (y 10..39) is lit: $all ($shot)"
  [[ $(e2e_color_count "$shot" '#FFFFFF' "$strip") -gt 0 ]] || e2e_fail "the banner has no white text ($shot)"
  white=$(e2e_color_box "$shot" '#FFFFFF' "$strip")
  lefts[i]=$(e2e_box_left "$white")
  rights[i]=$(e2e_box_right "$white")
  e2e_log "banner white text from x ${lefts[i]} to ${rights[i]}"
done
_moved_left() {
  local a=$1 b=$2
  ((lefts[b] <= lefts[a] && rights[b] <= rights[a] && (lefts[b] < lefts[a] || rights[b] < rights[a])))
}
_moved_left 1 2 || _moved_left 2 3 || e2e_fail "the banner did not move from right to left"
e2e_running saver || e2e_fail "the saver ended by itself"

xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
[[ $(e2e_field saver_attached) == 0 ]] || e2e_fail "saver_attached is not 0 after the saver ended"
e2e_pass
