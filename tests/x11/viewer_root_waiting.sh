#!/usr/bin/env bash
# orvane -root before the client has made its record: the waiting line, centred on black; it
# attaches once the client starts, and keeps drawing after the client has unlinked the record.
# SIGINT ends it cleanly.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_root_waiting
[[ ! -e /dev/shm/orvane_share ]] || x11_fail "a record /orvane_share exists already: another client runs"

x11_start viewer "$x11_bin_dir/orvane" -root
_waiting() {
  local box centre
  x11_shot "$X11_WORK/waiting.png" || return 1
  box=$(x11_color_box "$X11_WORK/waiting.png" '#FFFFFF') || return 1
  [[ $box != none ]] || return 1
  # One line of text, wide, its middle within a few pixels of the screen's.
  centre=$(( ($(x11_box_left "$box") + $(x11_box_right "$box")) / 2 ))
  ((${box%%x*} > 300 && centre >= 636 && centre <= 644)) || return 1
  local top
  top=$(x11_box_top "$box")
  ((top > 490 && top < 530))
}
x11_poll 20 _waiting || x11_fail "no centred waiting line ($X11_WORK/waiting.png)"
x11_running viewer || x11_fail "the viewer ended without a record"

x11_start_sim --scenario steady --rate 5
_attached() { x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" 264 289; }
x11_poll 20 _attached || x11_fail "the viewer did not attach within 20 s of the client's start ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached)"

# The client ends and unlinks its record; the viewer's mapping stays and it keeps running.
x11_stop sim TERM
x11_poll 10 test ! -e /dev/shm/orvane_share || x11_fail "the client left its record behind"
x11_shot "$X11_WORK/after.png"
x11_canvas_at "$X11_WORK/after.png" 264 289 || x11_fail "the status screen went with the record ($X11_WORK/after.png)"
x11_running viewer || x11_fail "the viewer ended with the client"

x11_stop viewer INT
[[ $X11_STATUS == 0 ]] || x11_fail "the viewer's exit status after SIGINT is $X11_STATUS"
x11_pass
