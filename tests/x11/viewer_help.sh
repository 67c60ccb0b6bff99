#!/usr/bin/env bash
# F1 in the desktop viewer's window: a help card over the middle of the picture that follows
# the client when one comes; F1 again or Escape takes it away and gives back exactly the
# picture it covered; q still ends the viewer.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_help
[[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"

# No window manager: the window sits at 0,0 at the canvas's size, and the card is centred on it.
readonly card=520x200+116+122 panel='#140E28'
x11_start viewer "$x11_bin_dir/orvane" -window
_window() { xdotool search --onlyvisible --name '^Orvane$' >/dev/null 2>&1; }
x11_poll 20 _window || x11_fail "no window titled Orvane"
xdotool mousemove 376 222 # keys go to the window under the pointer when nothing holds the focus

# _shot NAME [CROP]: a screenshot, and CROP of it in NAME-crop.png.
_shot() { x11_shot "$X11_WORK/$1.png" && { [[ -z ${2:-} ]] || "$x11_convert" "$X11_WORK/$1.png" -crop "$2" +repage "$X11_WORK/$1-crop.png"; }; }
_same() { [[ $("${x11_convert%convert*}compare${x11_convert#*convert}" -metric AE "$X11_WORK/$1" "$X11_WORK/$2" null: 2>&1) == 0 ]]; }
# The card whole: its panel fills it but for the frame and the text.
_card_shown() { _shot "$1" "$card" && (($(x11_count "$X11_WORK/$1.png" "$panel" "$card") > 80000)); }
_as_before() { _shot "$1" && _same "$1.png" "$2.png"; }
_waiting() { _shot waiting && [[ $(x11_color_box "$X11_WORK/waiting.png" '#FFFFFF') != none ]]; }
x11_poll 20 _waiting || x11_fail "no waiting line ($X11_WORK/waiting.png)"
# _show_and_hide WHAT: F1 shows the card over the picture in WHAT.png, F1 again gives back
# exactly that picture.
_show_and_hide() {
  xdotool key F1
  x11_poll 10 _card_shown "$1-card" || x11_fail "F1 shows no help card over the $1 ($X11_WORK/$1-card.png)"
  xdotool key F1
  x11_poll 10 _as_before "$1-after" "$1" || x11_fail "F1 again did not give the $1 back ($X11_WORK/$1-after.png)"
}

_show_and_hide waiting

# A client comes while the card shows: the screen appears around it and the card changes.
xdotool key F1
x11_poll 10 _card_shown absent || x11_fail "F1 shows no help card the second time ($X11_WORK/absent.png)"
x11_start_sim --scenario steady --rate 5
_follows() { _card_shown present && x11_canvas_at "$X11_WORK/present.png" 0 0 && ! _same present-crop.png absent-crop.png; }
x11_poll 20 _follows || x11_fail "the card did not stay over the screen and follow the client ($X11_WORK/present.png)"
xdotool key Escape
_gone() { _shot escaped && (($(x11_count "$X11_WORK/escaped.png" "$panel" "$card") == 0)); }
x11_poll 10 _gone || x11_fail "Escape did not hide the card ($X11_WORK/escaped.png)"
x11_running viewer || x11_fail "Escape over the help ended the viewer"

# A client that no longer writes: once the picture is still, the card must leave no trace.
kill -STOP "${X11_PIDS[sim]}"
_shot before
_settled() { _as_before still before || { mv "$X11_WORK/still.png" "$X11_WORK/before.png"; false; }; }
x11_poll 10 _settled || x11_fail "the stopped client's screen keeps changing"
mv "$X11_WORK/before.png" "$X11_WORK/screen.png"
_show_and_hide screen

xdotool key q
_ended() { ! x11_running viewer; }
x11_poll 20 _ended || x11_fail "q did not close the viewer"
x11_stop viewer
[[ $X11_STATUS == 0 ]] || x11_fail "the viewer's exit status after q is $X11_STATUS"
x11_pass
