#!/usr/bin/env bash
# The Windows installer as a user runs it, silently, in a Wine prefix that no Orvane has touched
# (made afresh for each run): it refuses a client folder too long for the saver's settings; puts
# Orvane.scr into the system folder and the header image and help text into the client's folder;
# writes the client's two keys into orvane.ini; makes Orvane the current screen saver; registers
# its uninstaller. The saver it installed then runs from the system folder and shows the status
# screen with that header. A reinstall into another folder keeps the user's other keys and takes
# the old folder's files away. The uninstaller removes every installed file and the choice of
# Orvane as the screen saver, but keeps orvane.ini and a screen saver picked since.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# A prefix of this test's own, never the other tests' one: made again from the main prefix.
WINEPREFIX=$ORVANE_WINEPREFIX timeout 30 wineserver -k >/dev/null 2>&1 || true
rm -rf "$ORVANE_WINEPREFIX"
E2E_TIME_LIMIT=190 e2e_setup installer

installer=${ORVANE_INSTALLER:-}
version=${ORVANE_VERSION:-}
[[ -n $version ]] || e2e_fail "ORVANE_VERSION is not set (ctest sets it)"
[[ -n $installer && -f $installer ]] ||
  e2e_fail "no installer '$installer' (the windows build makes it with makensis; scripts/bootstrap installs nsis)"
[[ ${installer##*/} == "Orvane-$version-setup.exe" ]] || e2e_fail "the installer is named ${installer##*/}"

drive_c=$WINEPREFIX/drive_c
system32=$drive_c/windows/system32
desktop_key='HKCU\Control Panel\Desktop'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane'
[[ ! -e $system32/Orvane.scr ]] || e2e_fail "the fresh prefix already holds an Orvane.scr"

# reg_value KEY NAME: the value's data, or nothing when it (or its key) is missing.
reg_value() {
  local escaped=${2//./\\.}
  timeout 60 wine reg query "$1" /v "$2" 2>/dev/null 8>&- | tr -d '\r' | sed -nE "s/^ +$escaped +REG_[A-Z_]+ +//p"
}
reg_key_exists() { timeout 60 wine reg query "$1" >/dev/null 2>&1 8>&-; }
# expect_reg KEY NAME VALUE: case aside, since Windows keeps paths in either case.
expect_reg() {
  local got
  got=$(reg_value "$1" "$2")
  [[ ${got,,} == "${3,,}" ]] || e2e_fail "$1\\$2 is '$got', not '$3'"
}
expect_ini() {
  local got
  got=$(e2e_ini_value "$1")
  [[ $got == "$2" ]] || e2e_fail "orvane.ini's $1 is '$got', not '$2'"
}
expect_same() { cmp -s "$1" "$2" || e2e_fail "${2#"$drive_c"/} is missing or is not ${1##*/} of the build"; }
# install_silently [FOLDER]: the exit status of "setup /S [/D=FOLDER]". NSIS takes /D= last and
# unquoted, blanks and all, which Wine's own argument quoting would break: cmd passes the line.
install_silently() {
  local status=0 line
  line="$(e2e_winpath "$installer") /S${1:+ /D=$1}"
  e2e_wine_run 120 cmd /c "$line" >"$E2E_WORK/install.out" 2>&1 || status=$?
  echo "$status"
}
# The uninstaller copies itself away and ends at once; the copy does the work.
uninstall_silently() {
  e2e_wine_run 60 "$1/Uninstall Orvane.exe" /S >"$E2E_WORK/uninstall.out" 2>&1 ||
    e2e_fail "the uninstaller in ${1#"$drive_c"/} did not start (exit status $?)"
  _registration_gone() { ! reg_key_exists "$uninstall_key"; }
  e2e_poll 60 _registration_gone || e2e_fail "the uninstaller left its registration in place"
}

# The saver reads at most 127 characters of ClientPath: a longer one must not be installed.
long_folder="C:\\$(printf 'f%.0s' {1..120})"
status=$(install_silently "$long_folder")
[[ $status == 2 ]] || e2e_fail "an install into a ${#long_folder}-character folder ended with status $status, not 2"
[[ ! -e $system32/Orvane.scr && ! -e $(e2e_ini_path) ]] || e2e_fail "the refused install put files in place"

# 1 and 2: a silent install into the default folder.
status=$(install_silently)
[[ $status == 0 ]] || e2e_fail "the silent install ended with status $status"
client=$drive_c/Program\ Files/Orvane
# The installer holds the built module without its debugging information.
expect_same "${ORVANE_INSTALLED_SAVER:-$e2e_bin_dir/Orvane.scr}" "$system32/Orvane.scr"
expect_same "$e2e_source_dir/resources/header.bmp" "$client/header.bmp"
expect_same "$e2e_source_dir/resources/windows_help.txt" "$client/windows_help.txt"
[[ -f $client/Uninstall\ Orvane.exe ]] || e2e_fail "no uninstaller in the client's folder"
[[ ! -e $drive_c/windows/syswow64/Orvane.scr ]] || e2e_fail "Orvane.scr went into the 32-bit system folder"
expect_ini ClientPath 'C:\Program Files\Orvane\client.exe'
expect_ini ClientDir 'C:\Program Files\Orvane'
expect_reg "$desktop_key" SCRNSAVE.EXE 'C:\windows\system32\Orvane.scr'
expect_reg "$uninstall_key" DisplayName 'Orvane screen saver'
expect_reg "$uninstall_key" DisplayVersion "$version"
expect_reg "$uninstall_key" Publisher Orvane
expect_reg "$uninstall_key" UninstallString '"C:\Program Files\Orvane\Uninstall Orvane.exe"'
e2e_log "installed into C:\\Program Files\\Orvane"

# 3: the installed saver, from the system folder, finds the header image through orvane.ini.
e2e_start_sim --scenario steady --rate 5
e2e_start_wine saver 'C:\windows\system32\Orvane.scr' /s
# The header image holds the frame's violet too, so the frame is looked for below it.
_status_screen_shown() {
  local shot=$E2E_WORK/shown.png left top box
  left=$(e2e_canvas_left)
  top=$(e2e_canvas_top)
  e2e_screenshot "$shot" || return 1
  box=$(e2e_color_box "$shot" "$E2E_VIOLET" "${E2E_CANVAS_W}x$((E2E_CANVAS_H - 41))+$left+$((top + 41))") || return 1
  [[ $box != none && $(e2e_box_left "$box") -eq $((left + 6)) && $(e2e_box_right "$box") -eq $((left + E2E_CANVAS_W - 7)) ]] ||
    return 1
  "$e2e_convert" "$shot" -crop "500x41+$left+$top" +repage "png24:$E2E_WORK/header-shown.png" &&
    [[ $("$e2e_compare" -metric AE "$E2E_WORK/header-shown.png" "$client/header.bmp" null: 2>&1) == 0 ]]
}
e2e_poll 40 _status_screen_shown ||
  e2e_fail "the installed saver does not show the status screen with the installed header image ($E2E_WORK/shown.png)"
e2e_kill saver
e2e_kill sim
e2e_log "the installed saver showed the status screen with its header"

# 4: a reinstall into another folder, over the user's settings.
e2e_write_ini "Blank=1" "Minutes=7" 'ClientPath=C:\Program Files\Orvane\seeker.exe' \
  'ClientDir=C:\Program Files\Orvane' "Monitors=all"
status=$(install_silently 'C:\Signal Client')
[[ $status == 0 ]] || e2e_fail "the reinstall ended with status $status"
expect_ini Blank 1
expect_ini Minutes 7
expect_ini Monitors all
expect_ini ClientDir 'C:\Signal Client'
expect_ini ClientPath 'C:\Signal Client\seeker.exe'
moved=$drive_c/Signal\ Client
expect_same "$e2e_source_dir/resources/header.bmp" "$moved/header.bmp"
[[ ! -e $client ]] || e2e_fail "the earlier folder still holds: $(ls "$client")"
expect_reg "$uninstall_key" InstallLocation 'C:\Signal Client'

# 5: the silent uninstall.
uninstall_silently "$moved"
[[ ! -e $system32/Orvane.scr ]] || e2e_fail "the uninstaller left Orvane.scr in the system folder"
[[ ! -e $moved ]] || e2e_fail "the uninstaller left in the client's folder: $(ls "$moved")"
[[ -z $(reg_value "$desktop_key" SCRNSAVE.EXE) ]] || e2e_fail "SCRNSAVE.EXE still names $(reg_value "$desktop_key" SCRNSAVE.EXE)"
expect_ini Blank 1
expect_ini Minutes 7
e2e_log "uninstalled; orvane.ini kept"

# Another screen saver picked after the install stays the choice, and a client's own file stays.
status=$(install_silently)
[[ $status == 0 ]] || e2e_fail "the third install ended with status $status"
[[ -f $moved/header.bmp ]] || e2e_fail "the third install did not go where orvane.ini pointed"
echo client >"$moved/seeker.exe"
e2e_reg_add "$desktop_key" SCRNSAVE.EXE REG_SZ 'C:\windows\system32\other.scr' ||
  e2e_fail "cannot pick another screen saver"
uninstall_silently "$moved"
expect_reg "$desktop_key" SCRNSAVE.EXE 'C:\windows\system32\other.scr'
[[ -f $moved/seeker.exe && ! -e $moved/header.bmp ]] || e2e_fail "the client's folder after the uninstall: $(ls "$moved")"
e2e_pass
