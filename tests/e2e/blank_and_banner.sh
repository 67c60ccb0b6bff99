#!/usr/bin/env bash
# "Blank" 1 with "Minutes" 0: the saver blanks at once, so the status screen never shows (not
# for a single frame: the screen is watched from before the saver starts until it is black) and
# the display stops updating (flags stay raised). The screen stays black while the client has
# no message; once message_on is set, the attention banner slides from right to left across
# the top, 30 pixels high from y = 10.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup blank_and_banner

e2e_write_ini "Blank=1" "Minutes=0"
e2e_start_sim --scenario steady --rate 2 --seed 11
e2e_expect_field message_on 0 "the client shows a message already"

# Screenshots as fast as they come, each one kept when it differs from the one before, until
# the stop file appears (then one more) or 60 s are up.
frames=$E2E_WORK/frames
stop_frames=$E2E_WORK/stop-frames
mkdir -p "$frames"
_capture_frames() {
  local n=0 kept=0 sum previous= end=$((SECONDS + 60)) last=0
  while ((SECONDS < end && n < 5000)); do
    [[ -e $stop_frames ]] && last=1
    xwd -root -silent >"$frames/current.xwd" || return 1
    sum=$(md5sum <"$frames/current.xwd")
    if [[ $sum != "$previous" ]]; then
      kept=$((kept + 1))
      gzip -1 -c "$frames/current.xwd" >"$frames/$(printf '%05d' "$n").xwd.gz"
      previous=$sum
    fi
    n=$((n + 1))
    ((last)) && break
  done
  rm -f "$frames/current.xwd"
  echo "frames $n kept $kept"
}
e2e_start frames _capture_frames
_first_frame() { compgen -G "$frames/*.xwd.gz" >/dev/null; }
e2e_poll 20 _first_frame || e2e_fail "no screenshot before the saver started"

e2e_start_saver /s
# The root window has a colour of its own: all black means the saver covers the screen.
e2e_wait_ready black
touch "$stop_frames"
e2e_wait_exit frames 30 || e2e_fail "the screenshots did not stop"
e2e_log "$(cat "$E2E_WORK/frames.out")"
pixels=$((E2E_SCREEN_W * E2E_SCREEN_H))
last=
for frame in "$frames"/*.xwd.gz; do
  png=${frame%.xwd.gz}.png
  gzip -dc "$frame" | "$e2e_convert" xwd:- "png:$png" || e2e_fail "cannot read the screenshot $frame"
  [[ $(e2e_color_count "$png" "$E2E_VIOLET") -eq 0 ]] || e2e_fail "the status screen showed before the black ($png)"
  last=$png
done
[[ $(e2e_color_count "$last" '#000000') -eq $pixels ]] || e2e_fail "the last screenshot is not all black ($last)"

# A flag raised now must stay raised: a blank saver no longer updates the display. While the
# client has no message, nothing shows on the screen; the ticks that ran meanwhile are shown
# by the banner further down.
e2e_poke status_text_a_changed=1 || e2e_fail "record-poke failed"
watch_start=$SECONDS
for ((i = 1; i <= 4 || SECONDS - watch_start < 2; i++)); do
  shot=$E2E_WORK/still-black-$i.png
  e2e_screenshot "$shot"
  [[ $(e2e_color_count "$shot" "$E2E_VIOLET") -eq 0 ]] || e2e_fail "the status screen showed while blank ($shot)"
  [[ $(e2e_color_count "$shot" '#000000') -eq $pixels ]] || e2e_fail "the blank screen is not all black ($shot)"
done
e2e_running saver || e2e_fail "the saver ended by itself"

# The message: the banner appears in the strip 10..39 and nowhere else.
e2e_poke message_on=1 || e2e_fail "record-poke failed"
strip="${E2E_SCREEN_W}x30+0+10"
_banner_seen() {
  e2e_screenshot "$E2E_WORK/banner-0.png" && [[ $(e2e_nonblack_box "$E2E_WORK/banner-0.png") != none ]]
}
e2e_poll 40 _banner_seen || e2e_fail "no banner within 40 s of message_on (last: $E2E_WORK/banner-0.png)"

# Three looks, each once the banner has moved since the one before. A pass lasts 24 s, so at
# most one of the two intervals can hold the start of a new pass; the other must show the banner
# further left. Only an end of the white text away from the screen's edges follows the banner:
# at an edge the outermost lit pixel belongs to whichever glyph is cut there, and it jumps back
# and forth as glyphs enter or leave. So an end within a glyph's width of its edge is not
# compared; an end that is compared must be smaller, and no compared end may be larger.
declare -a lefts rights
previous_white=
for i in 1 2 3; do
  shot=$E2E_WORK/banner-$i.png
  _moved_on() {
    e2e_screenshot "$shot" || return 1
    [[ $(e2e_color_box "$shot" '#FFFFFF' "$strip") != "$previous_white" ]]
  }
  e2e_poll 20 _moved_on || e2e_fail "the banner did not move ($shot)"
  all=$(e2e_nonblack_box "$shot")
  [[ $all != none ]] || e2e_fail "the banner vanished ($shot)"
  [[ $(e2e_box_top "$all") -ge 10 && $(e2e_box_bottom "$all") -le 39 ]] ||
    e2e_fail "something other than the banner strip (y 10..39) is lit: $all ($shot)"
  [[ $(e2e_color_count "$shot" '#FFFFFF' "$strip") -gt 0 ]] || e2e_fail "the banner has no white text ($shot)"
  white=$(e2e_color_box "$shot" '#FFFFFF' "$strip")
  lefts[i]=$(e2e_box_left "$white")
  rights[i]=$(e2e_box_right "$white")
  previous_white=$white
  e2e_log "banner white text from x ${lefts[i]} to ${rights[i]}"
done
# A glyph of the 24-pixel banner font is narrower than this.
edge_margin=40
_moved_left() {
  local a=$1 b=$2 moved=0
  if ((lefts[a] > edge_margin && lefts[b] > edge_margin)); then
    ((lefts[b] <= lefts[a])) || return 1
    ((lefts[b] < lefts[a])) && moved=1
  fi
  if ((rights[a] < E2E_SCREEN_W - 1 - edge_margin && rights[b] < E2E_SCREEN_W - 1 - edge_margin)); then
    ((rights[b] <= rights[a])) || return 1
    ((rights[b] < rights[a])) && moved=1
  fi
  ((moved))
}
_moved_left 1 2 || _moved_left 2 3 || e2e_fail "the banner did not move from right to left"
e2e_running saver || e2e_fail "the saver ended by itself"
# Ticks have run since the flag went up: the banner moved.
e2e_expect_field status_text_a_changed 1 "the blank saver still lowers change flags"

e2e_wait_ready blank
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_expect_field saver_attached 0 "saver_attached is not 0 after the saver ended"
e2e_pass
