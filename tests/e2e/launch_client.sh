#!/usr/bin/env bash
# Without a record, the saver starts the client named in orvane.ini, its path followed by
# " -min", in the client's directory, and ends by itself; a saver that finds the record
# instead starts nothing.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup launch_client

client_dir=$E2E_WORK/client
mkdir -p "$client_dir"
cp "$e2e_programs_dir/record-cmdline.exe" "$client_dir/" || e2e_fail "cannot copy record-cmdline.exe"
client_path=$(e2e_winpath "$client_dir/record-cmdline.exe")
log=$client_dir/record-cmdline.log
e2e_write_ini "Blank=0" "Minutes=0" "ClientPath=$client_path" "ClientDir=$(e2e_winpath "$client_dir")"

e2e_record_exists && e2e_fail "a record exists before the test starts"
e2e_start_saver /s
e2e_wait_exit saver 30 || e2e_fail "the saver did not end by itself after starting the client"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
_client_logged() { [[ -s $log ]] && grep -q '^cwd: ' "$log"; }
e2e_poll 30 _client_logged || e2e_fail "the client was not started (no $log)"

cmdline=$(tr -d '\r' <"$log" | sed -n 's/^cmdline: //p')
cwd=$(tr -d '\r' <"$log" | sed -n 's/^cwd: //p')
e2e_log "client command line: $cmdline"
e2e_log "client directory: $cwd"
[[ $(wc -l <<<"$cmdline") -eq 1 ]] || e2e_fail "the client was started more than once: $cmdline"
[[ $cmdline == *" -min" ]] || e2e_fail "the client's command line does not end with \" -min\": $cmdline"
[[ $cmdline == "$client_path -min" ]] ||
  e2e_fail "the client's command line is not \"$client_path -min\": $cmdline"
# The client inherits the saver's current directory, which the settings made ClientDir
# (Windows paths compare without regard to case).
expected_dir=$(e2e_winpath "$client_dir")
[[ ${cwd,,} == "${expected_dir,,}" ]] || e2e_fail "the client did not start in ClientDir ($expected_dir): $cwd"

# With the record present the same settings start no client: the saver attaches and stays.
rm -f "$log"
e2e_start_sim --scenario steady --rate 2
e2e_start_saver /s
# It would start the client on its second tick: ticks that draw show it has gone past that.
e2e_wait_ready canvas
e2e_wait_ticks || e2e_fail "the saver ended or stopped drawing although the record exists"
[[ ! -e $log ]] || e2e_fail "the saver started the client although the record exists: $(cat "$log")"
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_pass
