#!/usr/bin/env bash
# F1 in the desktop viewer's window: a help card over the middle of the picture, saying
# whether a client is there and following it when one comes; F1 again or Escape takes it away
# and leaves exactly the picture it covered; q still ends the viewer.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_help
[[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"

# No window manager: the window sits at 0,0 at the canvas's size, scale 1; the card is centred
# on the status screen's canvas there.
readonly card=520x200+116+122
readonly panel='#140E28'
x11_start viewer "$x11_bin_dir/orvane" -window
_window() { xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1; }
x11_poll 20 _window || x11_fail "no window titled Orvane"
# Keys go to the window under the pointer when nothing holds the focus.
xdotool mousemove 376 222

# $1 the screenshot to take; true when the card shows whole in it, its panel filling the card
# but for the frame and the text.
_card_shown() { x11_shot "$X11_WORK/$1" && (($(x11_count "$X11_WORK/$1" "$panel" "$card") > 80000)); }
_card_gone() { x11_shot "$X11_WORK/$1" && (($(x11_count "$X11_WORK/$1" "$panel" "$card") == 0)); }
# $1 a screenshot to take, $2 one taken before: true when the two are the same picture.
_same_as() {
  local differ
  x11_shot "$X11_WORK/$1" || return 1
  differ=$("${x11_convert%convert*}compare${x11_convert#*convert}" -metric AE "$X11_WORK/$1" "$X11_WORK/$2" null: 2>&1)
  [[ $differ == 0 ]]
}
_white_line() { x11_shot "$X11_WORK/waiting.png" && [[ $(x11_color_box "$X11_WORK/waiting.png" '#FFFFFF') != none ]]; }
x11_poll 20 _white_line || x11_fail "no waiting line ($X11_WORK/waiting.png)"

# Waiting for a client: the card covers the middle of the waiting line, and gives it back.
xdotool key F1
x11_poll 10 _card_shown absent.png || x11_fail "F1 shows no help card ($X11_WORK/absent.png)"
xdotool key F1
x11_poll 10 _same_as hidden.png waiting.png || x11_fail "F1 again did not give back the waiting line ($X11_WORK/hidden.png)"

# A client comes while the card shows: the screen appears around it and the card says so.
xdotool key F1
x11_poll 10 _card_shown absent.png || x11_fail "F1 shows no help card the second time ($X11_WORK/absent.png)"
"$x11_convert" "$X11_WORK/absent.png" -crop "$card" +repage "$X11_WORK/absent-card.png"
x11_start_sim --scenario steady --rate 5
_card_follows() {
  local differ
  _card_shown present.png && x11_canvas_at "$X11_WORK/present.png" 0 0 || return 1
  "$x11_convert" "$X11_WORK/present.png" -crop "$card" +repage "$X11_WORK/present-card.png" || return 1
  differ=$("${x11_convert%convert*}compare${x11_convert#*convert}" -metric AE "$X11_WORK/present-card.png" \
           "$X11_WORK/absent-card.png" null: 2>&1)
  [[ $differ != 0 ]]
}
x11_poll 20 _card_follows || x11_fail "the card did not stay over the screen or follow the client ($X11_WORK/present.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached)"
xdotool key Escape
x11_poll 10 _card_gone escaped.png || x11_fail "Escape did not hide the card ($X11_WORK/escaped.png)"
x11_running viewer || x11_fail "Escape over the help ended the viewer"

# A record that no longer changes: the picture before the card and after it must be the same.
kill -STOP "${X11_PIDS[sim]}"
x11_shot "$X11_WORK/before.png"
# The last updates may still be drawing: settled once two pictures in a row are the same.
_settled() { _same_as still.png before.png || { mv "$X11_WORK/still.png" "$X11_WORK/before.png"; false; }; }
x11_poll 10 _settled || x11_fail "the stopped client's screen keeps changing"
xdotool key F1
x11_poll 10 _card_shown shown.png || x11_fail "F1 shows no help card over the screen ($X11_WORK/shown.png)"
xdotool key F1
x11_poll 10 _same_as after.png before.png || x11_fail "F1 again left traces of the card ($X11_WORK/after.png)"

xdotool key q
_ended() { ! x11_running viewer; }
x11_poll 20 _ended || x11_fail "q did not close the viewer"
x11_stop viewer
[[ $X11_STATUS == 0 ]] || x11_fail "the viewer's exit status after q is $X11_STATUS"
x11_pass
