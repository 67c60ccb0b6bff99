#!/usr/bin/env bash
# On a screen from 640 to 799 pixels wide the saver attaches to the record (marker, priority
# class, graph area) but never draws the status screen nor lowers a flag: the screen stays
# black until a key ends it.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup narrow_screen 700x525x24

e2e_write_ini "Blank=0" "Minutes=0"
e2e_start_sim --scenario steady --rate 2
e2e_start_saver /s
e2e_wait_fields 30 saver_attached=1 || e2e_fail "the saver did not attach on a narrow screen"
e2e_expect_field saver_priority_class 32 "no priority class in the record"
e2e_wait_ready black

# A narrow saver's ticks change nothing that can be seen, so there is no sign of them to wait
# for: the screen is watched for a bounded stretch instead (at least 2 s and 4 looks).
pixels=$((E2E_SCREEN_W * E2E_SCREEN_H))
e2e_poke status_text_a_changed=1 user_info_changed=1 || e2e_fail "record-poke failed"
watch_start=$SECONDS
for ((i = 1; i <= 4 || SECONDS - watch_start < 2; i++)); do
  e2e_screenshot "$E2E_WORK/still-black-$i.png"
  [[ $(e2e_color_count "$E2E_WORK/still-black-$i.png" '#000000') -eq $pixels ]] ||
    e2e_fail "something was drawn on the narrow screen ($E2E_WORK/still-black-$i.png)"
done
values=$(e2e_peek status_text_a_changed user_info_changed | tr -d '\r')
[[ $values == $'status_text_a_changed=1\nuser_info_changed=1' ]] ||
  e2e_fail "the narrow saver lowered flags: $(tr '\n' ' ' <<<"$values")"

xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
e2e_expect_field saver_attached 0 "saver_attached is not 0 after the saver ended"
e2e_pass
