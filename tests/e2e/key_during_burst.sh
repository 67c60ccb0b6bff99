#!/usr/bin/env bash
# While a client redraws the whole graph thirty times a second, a key press still ends the
# saver promptly: no drawing holds the message loop for long. The bound is generous; the fine
# figure (the longest gap between handled ticks) is scripts/bench-saver's.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup key_during_burst

# With no window manager on the test's display, Wine waits two seconds for one to withdraw a
# managed window before it destroys it; unmanaged windows are what a desktop without that wait
# shows. (e2e_setup and the clean-up at exit remove the setting again.)
e2e_reg_add 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N ||
  e2e_fail "cannot turn off Wine's managed windows"
e2e_write_ini "Blank=0" "Minutes=0"
# Every item, the graph frame and all rows raised on every update.
e2e_start_sim --scenario burst --rate 30 --seed 3
e2e_start_saver /s
e2e_wait_ready canvas
# Still bursting: the rows the saver lowered are raised again at once.
e2e_wait_fields 10 graph_frame_changed=1 || e2e_fail "the client is not raising the graph frame any more"

# What the user sees end is the saver's window.
pressed=$(date +%s%N)
xdotool key space
_e2e_window_gone() { [[ -z $(e2e_saver_x_window) ]]; }
e2e_poll 30 _e2e_window_gone || e2e_fail "the saver's window stayed after a key press during the burst"
gone=$(date +%s%N)
elapsed_ms=$(((gone - pressed) / 1000000))
e2e_log "the saver's window went ${elapsed_ms} ms after the key press"
((elapsed_ms <= 2000)) || e2e_fail "the saver took ${elapsed_ms} ms, more than 2 s, to close after a key press"
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press during the burst"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
e2e_pass
