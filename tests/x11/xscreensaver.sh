#!/usr/bin/env bash
# orvane under the real XScreenSaver daemon: a HOME whose .xscreensaver names "orvane -root" as
# its only program; activating the daemon shows the status screen drawn by our program on the
# daemon's window, and deactivating it ends the program with the marker back at 0.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup xscreensaver
x11_xscreensaver_start

x11_xscreensaver_command activate
_shown() { x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" 264 289; }
x11_poll 30 _shown || x11_fail "no status screen after activating the daemon ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) while the hack runs"
pgrep -f "$X11_HACK" >/dev/null || x11_fail "the screen shows no hack of ours"

x11_xscreensaver_end
x11_pass
