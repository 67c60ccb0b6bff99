#!/usr/bin/env bash
# The password change mode on Windows 9x ("/a HANDLE") hands over to the platform: MPR.DLL's
# PwdChangePasswordA, with the provider "SCRSAVE", the window named on the command line (the
# foreground window when the number is 0 or names no window), 0 and a null pointer; then it
# exits with 0. Here MPR.DLL is a stand-in beside a copy of the saver that logs its arguments.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup password_change_9x

saver_dir=$E2E_WORK/saver
mkdir -p "$saver_dir"
cp "$e2e_bin_dir/Orvane.scr" "$e2e_programs_dir/MPR.DLL" "$saver_dir/" || e2e_fail "cannot copy the saver"
calls_log=$saver_dir/MPR.log
# Windows 98 for programs named Orvane.scr, and the MPR.DLL beside the program rather than
# Wine's own (e2e_setup and the clean-up at exit remove both again).
e2e_reg_add 'HKCU\Software\Wine\AppDefaults\Orvane.scr' Version REG_SZ win98 &&
  e2e_reg_add 'HKCU\Software\Wine\AppDefaults\Orvane.scr\DllOverrides' mpr REG_SZ native ||
  e2e_fail "cannot set Windows 98 and the native MPR.DLL for Orvane.scr"

# Two windows of another program; the second one opened is the foreground window.
stop=$E2E_WORK/stop-windows
# open_window NAME: a new window that takes the foreground; its handle goes into $window.
open_window() {
  local out=$E2E_WORK/$1.out
  e2e_start_wine "$1" "$e2e_programs_dir/foreground.exe" --take --stop-file "$(e2e_winpath "$stop")" --timeout 80
  _window_up() { tr -d '\r' <"$out" | grep -q '^foreground-'; }
  e2e_poll 30 _window_up || e2e_fail "the window $1 did not open"
  tr -d '\r' <"$out" | grep -qx 'foreground-taken' || e2e_fail "the window $1 did not take the foreground: $(cat "$out")"
  window=$(tr -d '\r' <"$out" | sed -n 's/^window //p')
}
open_window named
named=$window
open_window foreground
foreground=$window
[[ $named =~ ^[0-9]+$ && $foreground =~ ^[0-9]+$ && $named != "$foreground" ]] ||
  e2e_fail "the windows did not say their handles: \"$named\" and \"$foreground\""
[[ $(e2e_foreground) == "$foreground class OrvaneE2eWindow title Orvane e2e window" ]] ||
  e2e_fail "the second window is not the foreground: $(e2e_foreground)"

# change ARGS...: runs the copy with ARGS; it must exit with 0 and add one line to the log,
# which is printed.
change() {
  local before status=0
  before=$( [[ -f $calls_log ]] && tr -d '\r' <"$calls_log" | wc -l || echo 0)
  e2e_wine_run 30 "$saver_dir/Orvane.scr" "$@" >/dev/null 2>&1 || status=$?
  [[ $status == 0 ]] || e2e_fail "\"$*\" on Windows 98 exited with $status, not 0"
  [[ -f $calls_log && $(tr -d '\r' <"$calls_log" | wc -l) -eq $((before + 1)) ]] ||
    e2e_fail "\"$*\" did not call PwdChangePasswordA once: $(cat "$calls_log" 2>/dev/null)"
  tr -d '\r' <"$calls_log" | tail -n 1
}

for args in "/a $named" "-A  $named"; do
  # shellcheck disable=SC2086
  call=$(change $args)
  e2e_log "$args: $call"
  expected="provider SCRSAVE window $named class OrvaneE2eWindow flags 0 reserved null"
  [[ $call == "$expected" ]] || e2e_fail "\"$args\" called PwdChangePasswordA with \"$call\", not \"$expected\""
done
# No number, 0, or a number that names no window: the foreground window instead.
for args in "/a" "/a 0" "/a 123"; do
  # shellcheck disable=SC2086
  call=$(change $args)
  e2e_log "$args: $call"
  expected="provider SCRSAVE window $foreground class OrvaneE2eWindow flags 0 reserved null"
  [[ $call == "$expected" ]] || e2e_fail "\"$args\" did not hand over the foreground window: \"$call\""
done

touch "$stop"
e2e_wait_exit named 30 && e2e_wait_exit foreground 30 || e2e_fail "the other windows did not close"
e2e_pass
