#!/usr/bin/env bash
# orvane -window-id on a window of another program, as XScreenSaver hands it one: the status
# screen centred in that window with its frame, lit meter segments and the graph's colours, the
# marker raised while it runs and back at 0 after SIGTERM.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
x11_setup viewer_window_id

x11_start_sim --scenario burst --rate 5
x11_start window "$x11_bin_dir/x11-test-window" 1000 700 100 50
_window_shown() { grep -q '^window 0x' "$X11_WORK/window.out"; }
x11_poll 20 _window_shown || x11_fail "the test window did not appear"
id=$(sed -n 's/^window //p' "$X11_WORK/window.out")
x11_start viewer "$x11_bin_dir/orvane" -window-id "$id"

# Centred in the window: 100 + (1000 - 752) / 2, 50 + (700 - 445) / 2.
left=224
top=177
_placed() { x11_shot "$X11_WORK/shot.png" && x11_canvas_at "$X11_WORK/shot.png" "$left" "$top"; }
x11_poll 30 _placed || x11_fail "no status screen at $left,$top in the window ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) while the viewer runs"
# Lit meter segments: pure green, which only the meters use, in the panels above the graph.
_meters_lit() { x11_shot "$X11_WORK/shot.png" && (($(x11_count "$X11_WORK/shot.png" '#00FF00' "752x240+$left+$top") > 0)); }
x11_poll 20 _meters_lit || x11_fail "no lit meter segment ($X11_WORK/shot.png)"
# The graph: many colours below the panels, and none of it outside the canvas.
colours=$("$x11_convert" "$X11_WORK/shot.png" -crop "752x185+$left+$((top + 260))" +repage -format '%k' info:)
((colours > 100)) || x11_fail "the graph shows only $colours colours ($X11_WORK/shot.png)"
# The window's own colour is gone: the viewer painted all of it black first.
inside=$(x11_count "$X11_WORK/shot.png" '#305070' "1000x700+100+50")
((inside == 0)) || x11_fail "$inside pixels of the window were left unpainted"

x11_stop viewer TERM
[[ $X11_STATUS == 0 ]] || x11_fail "the viewer's exit status after SIGTERM is $X11_STATUS"
[[ $(x11_attached) == 0 ]] || x11_fail "saver_attached is $(x11_attached) after SIGTERM"
x11_pass
