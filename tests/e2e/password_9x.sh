#!/usr/bin/env bash
# Windows 9x with a saver password: a close request asks the platform's verifier
# (PASSWORD.CPL's VerifyScreenSavePwd, here our stand-in that says no once, then yes). The
# refused close leaves the saver running and drawing; a close request right after the
# refusal (the stand-in posts a key press as it returns) is refused without asking again; a
# later one asks again and, accepted, ends the saver. Without "ScreenSaveUsePassword" nothing
# is asked. The password change mode ("/a") exits with 0 there and with -1 on Windows NT.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup password_9x

# Not on the 9x path: no password change.
status=0
e2e_wine_run 30 "$e2e_bin_dir/Orvane.scr" /a 123 >/dev/null 2>&1 || status=$?
[[ $status == 255 ]] || e2e_fail "\"/a 123\" on Windows NT exited with $status, not 255 (-1)"

# The saver with the stand-in verifier beside it: LoadLibrary looks in the program's folder
# first. Wine is told to report Windows 98 to programs named Orvane.scr.
saver_dir=$E2E_WORK/saver
mkdir -p "$saver_dir"
cp "$e2e_bin_dir/Orvane.scr" "$e2e_programs_dir/PASSWORD.CPL" "$saver_dir/" || e2e_fail "cannot copy the saver"
count_file=$saver_dir/PASSWORD.count
calls_log=$saver_dir/PASSWORD.log
e2e_reg_add 'HKCU\Software\Wine\AppDefaults\Orvane.scr' Version REG_SZ win98 ||
  e2e_fail "cannot set the Windows 98 version for Orvane.scr"
e2e_reg_add 'HKCU\Control Panel\Desktop' ScreenSaveUsePassword REG_DWORD 1 ||
  e2e_fail "cannot set ScreenSaveUsePassword"
# (e2e_setup and the clean-up at exit remove both again.)

e2e_write_ini "Blank=0" "Minutes=0"
e2e_start_sim --scenario steady --rate 2
e2e_start_wine saver "$saver_dir/Orvane.scr" /s
e2e_wait_ready canvas

count() { if [[ -f $count_file ]]; then tr -dc '0-9' <"$count_file"; else echo 0; fi; }
[[ $(count) == 0 ]] || e2e_fail "the verifier was asked before any input"

xdotool key space
_asked_once() { [[ $(count) -ge 1 ]]; }
e2e_poll 30 _asked_once || e2e_fail "a key press did not ask for the password"
# The refused close: the saver stays, keeps drawing (a flag raised now is lowered), and the
# key press that the verifier posted as it returned was refused without a second prompt.
e2e_poke status_text_a_changed=1 || e2e_fail "record-poke failed"
e2e_wait_fields 30 status_text_a_changed=0 || e2e_fail "the saver stopped drawing after the refused password"
# The posted key is handled before any tick: a few more ticks leave no doubt.
e2e_wait_ticks
e2e_running saver || e2e_fail "the saver ended although the password was refused (asked $(count) times)"
[[ $(count) == 1 ]] || e2e_fail "a close within 200 ms of the refusal asked again ($(count) prompts)"
e2e_screenshot "$E2E_WORK/after-refusal.png"
e2e_canvas_shown "$E2E_WORK/after-refusal.png" ||
  e2e_fail "the status screen is gone after the refused password ($E2E_WORK/after-refusal.png)"
grep -q '^call 1 class WindowsScreenSaverClass' <(tr -d '\r' <"$calls_log") ||
  e2e_fail "the verifier was not given the saver's window: $(cat "$calls_log")"

# Later, another close request asks again; the stand-in accepts and the saver ends.
e2e_wait_ready canvas
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after the accepted password (asked $(count) times)"
[[ $(count) == 2 ]] || e2e_fail "the verifier was asked $(count) times, not 2"
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "the saver's exit status is ${E2E_STATUS[saver]}, not 0"
e2e_expect_field saver_attached 0 "saver_attached is not 0 after the saver ended"

# Without a password set, a Windows 9x saver closes at once, without asking.
e2e_reg_add 'HKCU\Control Panel\Desktop' ScreenSaveUsePassword REG_DWORD 0 ||
  e2e_fail "cannot clear ScreenSaveUsePassword"
e2e_start_wine saver "$saver_dir/Orvane.scr" /s
e2e_wait_ready canvas
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "without a password the saver did not end on a key press"
[[ $(count) == 2 ]] || e2e_fail "the verifier was asked although no password is set"

# The password change mode exists on the 9x path; it hands over to the platform and exits 0.
status=0
e2e_wine_run 30 "$saver_dir/Orvane.scr" /a 123 >/dev/null 2>&1 || status=$?
[[ $status == 0 ]] || e2e_fail "\"/a 123\" on Windows 98 exited with $status, not 0"
e2e_pass
