#!/usr/bin/env bash
# Paths that hold a blank reach the programs the saver starts as one argument each: the client
# started from "ClientPath" gets its quoted path followed by " -min", and on F1 the help viewer
# gets its own quoted path, one blank, then the quoted ClientDir\windows_help.txt. Paths without
# a blank go in bare (launch_client.sh, help_key.sh).
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup paths_with_blanks

client_dir="$E2E_WORK/client folder"
viewer_dir="$E2E_WORK/help viewer"
mkdir -p "$client_dir" "$viewer_dir"
cp "$e2e_programs_dir/record-cmdline.exe" "$client_dir/" || e2e_fail "cannot copy record-cmdline.exe"
cp "$e2e_programs_dir/record-cmdline.exe" "$viewer_dir/" || e2e_fail "cannot copy record-cmdline.exe"
cp "$e2e_source_dir/resources/windows_help.txt" "$client_dir/" || e2e_fail "cannot copy windows_help.txt"
client_path=$(e2e_winpath "$client_dir/record-cmdline.exe")
client_dir_win=$(e2e_winpath "$client_dir")
viewer=$(e2e_winpath "$viewer_dir/record-cmdline.exe")
client_log=$client_dir/record-cmdline.log
viewer_log=$viewer_dir/record-cmdline.log
e2e_write_ini "Blank=0" "Minutes=0" "ClientPath=$client_path" "ClientDir=$client_dir_win"

# logged_line LOG KEY: the one "KEY: ..." line of LOG, or a failure when there is not exactly one.
logged_line() {
  local lines
  lines=$(tr -d '\r' <"$1" | sed -n "s/^$2: //p")
  [[ -n $lines && $(wc -l <<<"$lines") -eq 1 ]] || e2e_fail "not one \"$2\" line in $1: $(cat "$1")"
  printf '%s\n' "$lines"
}
_logged() { [[ -s $1 ]] && grep -q '^cwd: ' "$1"; }

# --- The client, from a folder with a blank in its name.
e2e_record_exists && e2e_fail "a record exists before the test starts"
e2e_start_saver /s
e2e_wait_exit saver 30 || e2e_fail "the saver did not end by itself after starting the client"
e2e_poll 30 _logged "$client_log" || e2e_fail "the client in \"$client_dir\" was not started"
cmdline=$(logged_line "$client_log" cmdline)
e2e_log "client command line: $cmdline"
[[ $cmdline == "\"$client_path\" -min" ]] || e2e_fail "the client's command line is not \"\\\"$client_path\\\" -min\": $cmdline"
cwd=$(logged_line "$client_log" cwd)
[[ ${cwd,,} == "${client_dir_win,,}" ]] || e2e_fail "the client did not start in ClientDir ($client_dir_win): $cwd"

# --- F1: the viewer of text files lives in a folder with a blank, and so does the help file.
e2e_reg_add 'HKCR\.txt' '' REG_SZ orvane.e2e.help &&
  e2e_reg_add 'HKCR\orvane.e2e.help\shell\open\command' '' REG_SZ "\"$viewer\" \"%1\"" ||
  e2e_fail "cannot associate text files with the stand-in viewer"
e2e_start_sim --scenario steady --rate 2
e2e_start_saver /s
e2e_wait_ready canvas
xdotool key F1
e2e_poll 30 _logged "$viewer_log" || e2e_fail "F1 did not start the help viewer in \"$viewer_dir\""
cmdline=$(logged_line "$viewer_log" cmdline)
e2e_log "viewer command line: $cmdline"
expected="\"$viewer\" \"$client_dir_win\\windows_help.txt\""
[[ ${cmdline,,} == "${expected,,}" ]] || e2e_fail "the viewer's command line is not $expected: $cmdline"
e2e_wait_ticks || e2e_fail "F1 ended the saver"

e2e_wait_ready canvas
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end on a key press after F1"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
e2e_pass
