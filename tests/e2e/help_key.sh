#!/usr/bin/env bash
# F1 opens "windows_help.txt" of ClientDir in the program that the shell associates with text
# files (a stand-in here that records its command line), and does not end the saver; with no
# such program F1 does nothing, and the saver stays too. Any other key then ends it.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup help_key

client_dir=$E2E_WORK/client
viewer_dir=$E2E_WORK/viewer
mkdir -p "$client_dir" "$viewer_dir"
cp "$e2e_source_dir/resources/windows_help.txt" "$client_dir/" || e2e_fail "cannot copy windows_help.txt"
cp "$e2e_programs_dir/record-cmdline.exe" "$viewer_dir/" || e2e_fail "cannot copy record-cmdline.exe"
viewer=$(e2e_winpath "$viewer_dir/record-cmdline.exe")
log=$viewer_dir/record-cmdline.log
client_dir_win=$(e2e_winpath "$client_dir")
e2e_write_ini "Blank=0" "Minutes=0" "ClientDir=$client_dir_win"

e2e_start_sim --scenario steady --rate 2
e2e_start_saver /s
e2e_wait_fields 30 saver_attached=1 || e2e_fail "the saver did not attach"
e2e_wait_ready canvas

# No program for text files (the prefix has none after e2e_setup). The key is handled before
# the next tick, so ticks that draw after it show that it did not end the saver.
xdotool key F1
e2e_wait_ticks || e2e_fail "F1 without a help viewer ended the saver"
[[ ! -e $log ]] || e2e_fail "something was started without an association: $(cat "$log")"

# The stand-in becomes the viewer of text files; the saver looks it up on each F1.
e2e_reg_add 'HKCR\.txt' '' REG_SZ orvane.e2e.help &&
  e2e_reg_add 'HKCR\orvane.e2e.help\shell\open\command' '' REG_SZ "$viewer \"%1\"" ||
  e2e_fail "cannot associate text files with the stand-in viewer"
xdotool key F1
_viewer_logged() { [[ -s $log ]] && grep -q '^cwd: ' "$log"; }
e2e_poll 30 _viewer_logged || e2e_fail "F1 did not start the help viewer"
cmdline=$(tr -d '\r' <"$log" | sed -n 's/^cmdline: //p')
e2e_log "viewer command line: $cmdline"
[[ $(wc -l <<<"$cmdline") -eq 1 ]] || e2e_fail "the viewer was started more than once: $cmdline"
# The program, one blank, then ClientDir, a backslash and the file name.
[[ ${cmdline,,} == "${viewer,,} ${client_dir_win,,}\\windows_help.txt" ]] ||
  e2e_fail "the viewer's command line is not \"$viewer $client_dir_win\\windows_help.txt\": $cmdline"
e2e_wait_ticks || e2e_fail "F1 ended the saver"
e2e_screenshot "$E2E_WORK/after-help.png"
e2e_canvas_shown "$E2E_WORK/after-help.png" || e2e_fail "the status screen is gone after F1 ($E2E_WORK/after-help.png)"

e2e_wait_ready canvas
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end on a key press after F1"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
e2e_pass
