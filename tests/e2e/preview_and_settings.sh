#!/usr/bin/env bash
# The preview runs as a 320 x 240 child window titled "Preview" of the window it is given,
# ignores keys, clicks and movement, hands WM_CONTEXTMENU to its parent, and ends with 0 when
# the parent goes (its words on the screen are checked by preview_words.sh: Wine shows nothing
# that one process draws into another's window). /c shows the settings dialog, whose OK
# writes "Blank" and "Minutes" (to the per-user store and to orvane.ini) and whose Cancel
# writes nothing; /x, /p without a window and the like exit with -1.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup preview_and_settings

e2e_write_ini "Blank=0" "Minutes=0"

# --- The preview
stop=$E2E_WORK/stop-preview
e2e_start_wine preview "$e2e_programs_dir/preview-host.exe" --saver "$(e2e_winpath "$e2e_bin_dir/Orvane.scr")" \
  --stop-file "$(e2e_winpath "$stop")" --timeout 80 --post-input
out=$E2E_WORK/preview.out
_preview_line() { tr -d '\r' <"$out" | grep -q "^$1"; }
e2e_poll 30 _preview_line child-window || e2e_fail "the preview window did not appear in the host"
e2e_log "$(tr -d '\r' <"$out" | tr '\n' ';')"
tr -d '\r' <"$out" | grep -q '^child-window [0-9]* title "Preview" size 320 240$' ||
  e2e_fail "the preview window is not a 320 x 240 child titled \"Preview\""
read -r ox oy < <(tr -d '\r' <"$out" | sed -n 's/^client-origin //p')
[[ -n $ox && -n $oy ]] || e2e_fail "preview-host did not say where its client area is"
# Input: messages posted straight to the child (preview-host --post-input), then real ones.
e2e_poll 30 _preview_line posted-input || e2e_fail "preview-host did not post its input"
_forwarded() { tr -d '\r' <"$out" | grep -c '^forwarded contextmenu wparam-is-host 1$'; }
_forwarded_once() { (($(_forwarded) >= 1)); }
e2e_poll 10 _forwarded_once || e2e_fail "the posted WM_CONTEXTMENU was not passed to the host"
# The right button last: the context menu it brings is passed to the host once the preview has
# handled all the input before it.
xdotool mousemove $((ox + 160)) $((oy + 120)) click 1
xdotool key space Return a
xdotool mousemove_relative 40 30 click 3
_forwarded_twice() { (($(_forwarded) >= 2)); }
e2e_poll 20 _forwarded_twice || e2e_fail "the right button's WM_CONTEXTMENU was not passed to the host: $(cat "$out")"
e2e_running preview || e2e_fail "preview-host ended early: $(cat "$out")"
_preview_line child-ended-early && e2e_fail "the preview ended on input: $(cat "$out")"
touch "$stop"
e2e_wait_exit preview 30 || e2e_fail "preview-host did not stop"
e2e_log "$(tr -d '\r' <"$out" | tail -n 3 | tr '\n' ';')"
[[ ${E2E_STATUS[preview]} == 0 ]] || e2e_fail "the preview did not run until its host closed: $(cat "$out")"
_preview_line 'stopping child-running' || e2e_fail "the preview had ended before its host closed"
_preview_line 'child-exit 0' || e2e_fail "the preview did not exit with 0 when its host closed"

# --- The settings dialog (with orvane.ini writable, as under Wine and for an administrator;
# settings_per_user.sh has the file that a standard user cannot write)
# OK at once writes back what it read, in canonical form.
e2e_write_ini "Blank=1" "Minutes=007"
e2e_run_dialog Return
e2e_log "after OK: Blank=$(e2e_ini_value Blank) Minutes=$(e2e_ini_value Minutes)"
[[ ${E2E_STATUS[saver]} == 1 ]] || e2e_fail "/c after OK exited with ${E2E_STATUS[saver]}, not 1"
[[ $(e2e_ini_value Blank) == 1 && $(e2e_ini_value Minutes) == 7 ]] ||
  e2e_fail "OK did not write Blank=1 Minutes=7: $(tr -d '\r' <"$(e2e_ini_path)" | tr '\n' ' ')"
[[ $(e2e_user_value Blank) == 1 && $(e2e_user_value Minutes) == 7 ]] || e2e_fail "OK did not keep the values for the user"

# Edited: the tab order is OK, Cancel, the minutes field (its text selected on entry), the
# check box; Return then presses the default button, OK.
e2e_clear_user_settings || e2e_fail "cannot remove the per-user settings"
e2e_write_ini "Blank=0" "Minutes=3" "ClientDir=C:\\nowhere"
e2e_run_dialog Tab Tab 1 2 Tab space Return
e2e_log "after editing: Blank=$(e2e_ini_value Blank) Minutes=$(e2e_ini_value Minutes)"
[[ $(e2e_ini_value Blank) == 1 && $(e2e_ini_value Minutes) == 12 ]] ||
  e2e_fail "the edited values were not written (want Blank=1 Minutes=12): $(tr -d '\r' <"$(e2e_ini_path)" | tr '\n' ' ')"
[[ $(e2e_ini_value ClientDir) == 'C:\nowhere' ]] || e2e_fail "the dialog changed ClientDir"

# Cancel (Escape) writes nothing.
e2e_clear_user_settings || e2e_fail "cannot remove the per-user settings"
e2e_write_ini "Blank=0" "Minutes=5"
before=$(cat "$(e2e_ini_path)")
e2e_run_dialog Tab Tab 9 Tab space Escape
[[ ${E2E_STATUS[saver]} == 0 ]] || e2e_fail "/c after Cancel exited with ${E2E_STATUS[saver]}, not 0"
[[ $(cat "$(e2e_ini_path)") == "$before" ]] || e2e_fail "Cancel changed orvane.ini"
[[ -z $(e2e_user_value Minutes) ]] || e2e_fail "Cancel wrote a per-user Minutes"

# --- Rejected command lines: -1, which Wine hands to the shell as 255.
for args in "/x" "/p" "/p:123" "/q 5"; do
  status=0
  # shellcheck disable=SC2086
  e2e_wine_run 30 "$e2e_bin_dir/Orvane.scr" $args >/dev/null 2>&1 || status=$?
  [[ $status == 255 ]] || e2e_fail "\"Orvane.scr $args\" exited with $status, not 255 (-1)"
done
e2e_pass
