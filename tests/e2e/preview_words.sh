#!/usr/bin/env bash
# The preview's own drawing: given a window narrower than 640 pixels, the saver draws only
# "Orvane" at (34, 37) and "ScreenSaver" at (32, 57), cyan on black, and real keys, clicks and
# movement do not end it. The window given is the desktop of a 320 x 240 screen, so that the
# preview is a window of its own that Wine shows (see preview_and_settings.sh).
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup preview_words 320x240x24

e2e_write_ini "Blank=0" "Minutes=0"
# A record that a full-size saver would attach to: the preview must leave it alone.
e2e_start_sim --scenario steady --rate 2

stop=$E2E_WORK/stop-preview
e2e_start_preview --parent desktop --timeout 80
out=$E2E_WORK/preview.out
_preview_line() { e2e_preview_said "$1"; }
e2e_poll 30 _preview_line child-window || e2e_fail "the preview window did not appear"
tr -d '\r' <"$out" | grep -q '^child-window [0-9]* title "Preview" size 320 240$' ||
  e2e_fail "the preview window is not 320 x 240 and titled \"Preview\": $(cat "$out")"

shot=$E2E_WORK/preview.png
_words_drawn() {
  e2e_screenshot "$shot" &&
    [[ $(e2e_color_count "$shot" '#00FFFF' "100x18+30+37") -gt 20 &&
       $(e2e_color_count "$shot" '#00FFFF' "100x18+30+57") -gt 20 ]]
}
e2e_poll 30 _words_drawn || e2e_fail "no cyan words where the preview puts them (last: $shot)"
first=$(e2e_color_box "$shot" '#00FFFF' "320x20+0+37")
second=$(e2e_color_box "$shot" '#00FFFF' "320x20+0+57")
e2e_log "cyan words at $first and $second"
# Each word's text box starts at its point; a glyph may leave a column or two blank before
# its first ink.
(($(e2e_box_left "$first") >= 34 && $(e2e_box_left "$first") <= 37)) || e2e_fail "\"Orvane\" does not start at x 34: $first"
(($(e2e_box_left "$second") >= 32 && $(e2e_box_left "$second") <= 35)) || e2e_fail "\"ScreenSaver\" does not start at x 32: $second"
(($(e2e_box_right "$second") > $(e2e_box_right "$first") + 20)) || e2e_fail "the second word is not the longer one"
all=$(e2e_nonblack_box "$shot")
(($(e2e_box_top "$all") >= 37 && $(e2e_box_bottom "$all") <= 57 + 18)) ||
  e2e_fail "something besides the two words is drawn: $all"
[[ $(e2e_color_count "$shot" '#00FFFF') -gt 0 && $(e2e_nonblack_box "$shot" "320x140+0+100") == none ]] ||
  e2e_fail "the preview is not black below the words"

# Real input on the preview: keys, both buttons, and movement far beyond 4 pixels.
xdotool mousemove 160 120 click 1
xdotool mousemove_relative 40 30 click 3
xdotool key space Return a
# Nothing that this preview does with input can be seen (its context menus go to the desktop):
# it is watched for a bounded stretch instead, at least 2 s and 4 looks, still drawing.
watch_start=$SECONDS
for ((i = 1; i <= 4 || SECONDS - watch_start < 2; i++)); do
  _preview_line child-ended-early && e2e_fail "the preview ended on input: $(cat "$out")"
  e2e_running preview || e2e_fail "preview-host ended early: $(cat "$out")"
  e2e_screenshot "$shot"
  [[ $(e2e_color_count "$shot" '#00FFFF' "100x18+30+37") -gt 20 ]] || e2e_fail "the words are gone after the input"
done
e2e_expect_field saver_attached 0 "the preview attached to the record"

touch "$stop"
e2e_wait_exit preview 30 || e2e_fail "preview-host did not stop"
[[ ${E2E_STATUS[preview]} == 0 ]] || e2e_fail "the preview did not run until it was closed: $(cat "$out")"
_preview_line 'child-exit 0' || e2e_fail "the preview did not exit with 0 when closed: $(cat "$out")"
e2e_pass
