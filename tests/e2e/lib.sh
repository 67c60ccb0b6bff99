# shellcheck shell=bash
# Shared helpers of the end-to-end tests: a virtual X display and a wineserver of the test's
# own, a fresh orvane.ini, background processes that are always cleaned up, screenshots with
# colour probes, the shared record through orvane-peek/record-poke, and bounded polling.
#
# A test script sources this file, calls e2e_setup NAME, and exits through e2e_pass or
# e2e_fail (or e2e_skip); the EXIT trap kills whatever the test started and puts the
# registry back.
#
# Paths come from the environment that ctest sets (tests/e2e/CMakeLists.txt); run by hand,
# the defaults match the windows preset: ORVANE_E2E_BIN_DIR (Orvane.scr, orvane-sim.exe),
# ORVANE_E2E_PROGRAMS_DIR (the test programs), ORVANE_E2E_WORK_DIR (screenshots, logs),
# ORVANE_E2E_PREFIX (the tests' Wine prefix) and ORVANE_E2E_MAIN_PREFIX (copied to make it).

set -uo pipefail

e2e_source_dir=${ORVANE_E2E_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
e2e_bin_dir=${ORVANE_E2E_BIN_DIR:-$e2e_source_dir/build/windows/bin}
e2e_programs_dir=${ORVANE_E2E_PROGRAMS_DIR:-$e2e_source_dir/build/windows/e2e}
e2e_work_root=${ORVANE_E2E_WORK_DIR:-$e2e_source_dir/build/windows/e2e-work}
e2e_main_prefix=${ORVANE_E2E_MAIN_PREFIX:-$e2e_source_dir/build/windows/wineprefix}
export ORVANE_WINEPREFIX=${ORVANE_E2E_PREFIX:-$e2e_source_dir/build/windows/e2e-wineprefix}

# Never the display or the Xvfb of whoever started us: each test has its own.
unset ORVANE_XVFB_PID ORVANE_XVFB_DISPLAY
# shellcheck source=../../scripts/wine-env
source "$e2e_source_dir/scripts/wine-env"
# shellcheck source=../../scripts/xvfb-env
source "$e2e_source_dir/scripts/xvfb-env"
# shellcheck source=../../scripts/xorg-env
source "$e2e_source_dir/scripts/xorg-env"

# Debian's own ImageMagick binary when it is there; any convert otherwise.
if command -v convert-im6.q16 >/dev/null 2>&1; then
  e2e_convert=convert-im6.q16
else
  e2e_convert=convert
fi
e2e_compare=${e2e_convert%convert*}compare${e2e_convert#*convert}

E2E_NAME=
E2E_WORK=
E2E_DEADLINE=0
E2E_SCREEN_W=0
E2E_SCREEN_H=0
E2E_WINE_STARTED=0
E2E_USER_STORE_LOCKED=0
declare -A E2E_PIDS=()      # name -> pid of a background process we started
declare -A E2E_STATUS=()    # name -> exit status once collected

e2e_log() { printf '[%s %s] %s\n' "$E2E_NAME" "$(date +%T)" "$*"; }

e2e_fail() {
  printf '[%s] FAIL: %s\n' "$E2E_NAME" "$*" >&2
  e2e_dump_logs >&2
  exit 1
}

# Exit status 77 is what ctest counts as skipped (SKIP_RETURN_CODE in CMakeLists.txt).
e2e_skip() {
  printf '[%s] SKIP: %s\n' "$E2E_NAME" "$*" >&2
  exit 77
}

e2e_pass() {
  e2e_log "PASS"
  exit 0
}

# Shows the output of every process the test started; called on failure.
e2e_dump_logs() {
  local f
  [[ -n "$E2E_WORK" && -d "$E2E_WORK" ]] || return 0
  for f in "$E2E_WORK"/*.out "$E2E_WORK"/*.log; do
    [[ -s "$f" ]] || continue
    printf -- '--- %s (last 30 lines)\n' "${f#"$E2E_WORK"/}"
    tail -n 30 "$f"
  done
  printf -- '--- files kept in %s\n' "$E2E_WORK"
}

# Seconds left before the test's own deadline (kept well inside ctest's timeout so that the
# clean-up always gets its turn).
e2e_remaining() {
  local left=$((E2E_DEADLINE - SECONDS))
  ((left > 0)) || left=0
  echo "$left"
}

# e2e_poll SECONDS COMMAND...: runs COMMAND every 0.25 s until it succeeds (0) or the time,
# capped by the test's deadline, is up (1).
e2e_poll() {
  local limit=$1 left
  shift
  left=$(e2e_remaining)
  ((limit < left)) || limit=$left
  local end=$((SECONDS + limit))
  while :; do
    if "$@"; then return 0; fi
    ((SECONDS < end)) || return 1
    sleep 0.25
  done
}

# ---------------------------------------------------------------------------------------------
# Set-up and clean-up

# Makes the tests' prefix once: a copy of the main prefix when that has been made (seconds),
# else a new one (a minute or more). Later calls only check the stamp.
e2e_prepare_prefix() {
  local stamp="$ORVANE_WINEPREFIX/.orvane-prefix"
  [[ -f "$stamp" ]] && return 0
  local lock="$ORVANE_WINEPREFIX.lock"
  mkdir -p "$(dirname "$ORVANE_WINEPREFIX")" || return 1
  (
    flock -w 110 9 || { echo "e2e: could not lock $lock" >&2; exit 1; }
    [[ -f "$stamp" ]] && exit 0
    rm -rf "$ORVANE_WINEPREFIX" "$ORVANE_WINEPREFIX.tmp"
    if [[ -f "$e2e_main_prefix/.orvane-prefix" && -f "$e2e_main_prefix/system.reg" ]]; then
      echo "e2e: copying $e2e_main_prefix to $ORVANE_WINEPREFIX"
      # The wineserver saves the registry by renaming a finished file over the old one, so a
      # copy taken while the main prefix is in use still gets whole files.
      cp -a "$e2e_main_prefix" "$ORVANE_WINEPREFIX.tmp" || exit 1
      mv "$ORVANE_WINEPREFIX.tmp" "$ORVANE_WINEPREFIX" || exit 1
    else
      orvane_wine_prefix_init || exit 1
    fi
  ) 9>"$lock"
}

# Ends every Wine process of the tests' prefix, and its server. The prefix is ours alone, so
# nothing else is touched; used before a test (leftovers of one that was killed) and after.
e2e_wine_stop_all() {
  timeout 30 wineserver -k >/dev/null 2>&1 8>&- || true
  timeout 30 wineserver -w >/dev/null 2>&1 8>&- || true
}

# e2e_setup NAME [SCREEN]: fresh work folder, own Xvfb (default 1280x1024x24) or, when the
# test has set E2E_XORG_LAYOUT (orvane_xorg_start's arguments), own Xorg with several heads,
# own wineserver,
# a deadline E2E_TIME_LIMIT seconds away (default 95; the test sets it before when it needs more),
# the registry values that tests change put back to their defaults, and no orvane.ini.
e2e_setup() {
  E2E_NAME=$1
  local screen=${2:-1280x1024x24}
  E2E_DEADLINE=$((SECONDS + ${E2E_TIME_LIMIT:-95}))
  trap e2e_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  # Another run of these tests on the same build (a second ctest) would share the prefix and
  # the work folders and end this test's programs: one test at a time, whoever started it.
  mkdir -p "$(dirname "$ORVANE_WINEPREFIX")" || e2e_fail "cannot make the prefix's folder"
  exec 8>"$ORVANE_WINEPREFIX.run-lock"
  # Such a clash says nothing about the saver: the test is reported as skipped, not failed.
  flock -w 60 8 || e2e_skip "another run of the end-to-end tests held $ORVANE_WINEPREFIX for a minute"
  E2E_WORK="$e2e_work_root/$E2E_NAME"
  rm -rf "$E2E_WORK"
  mkdir -p "$E2E_WORK" || e2e_fail "cannot make $E2E_WORK"

  local f
  for f in Orvane.scr orvane-sim.exe; do
    [[ -f "$e2e_bin_dir/$f" ]] || e2e_fail "missing $e2e_bin_dir/$f (build the windows preset first)"
  done
  for f in orvane-peek.exe record-poke.exe record-cmdline.exe preview-host.exe foreground.exe user-store-lock.exe \
    PASSWORD.CPL MPR.DLL; do
    [[ -f "$e2e_programs_dir/$f" ]] || e2e_fail "missing $e2e_programs_dir/$f (build the windows preset first)"
  done
  e2e_prepare_prefix || e2e_fail "cannot prepare the Wine prefix $ORVANE_WINEPREFIX"

  # (Nothing started here may inherit the lock: "8>&-".)
  if [[ -n ${E2E_XORG_LAYOUT:-} ]]; then
    local started=0
    # shellcheck disable=SC2086
    ORVANE_XORG_FIRST=${ORVANE_E2E_XORG_FIRST:-240} orvane_xorg_start $E2E_XORG_LAYOUT 8>&- || started=$?
    ((started != 2)) || e2e_skip "Xorg with the dummy video driver is not installed (scripts/bootstrap)"
    ((started == 0)) || e2e_fail "cannot start Xorg with the layout $E2E_XORG_LAYOUT"
    screen=${ORVANE_XORG_ROOT}x24
  else
    ORVANE_XVFB_FIRST=${ORVANE_E2E_XVFB_FIRST:-140} ORVANE_XVFB_SCREEN=$screen orvane_xvfb_start 8>&- ||
      e2e_fail "cannot start Xvfb"
  fi
  E2E_SCREEN_W=${screen%%x*}
  local rest=${screen#*x}
  E2E_SCREEN_H=${rest%%x*}
  e2e_log "display $DISPLAY ${E2E_SCREEN_W}x${E2E_SCREEN_H}, prefix $WINEPREFIX"
  # Xvfb's root window starts black: a colour of its own makes an all-black screen mean that the
  # saver covers it.
  # (display's exit status is 1 even when it has painted: the screen itself is checked.)
  "$e2e_convert" -size 16x16 "xc:$E2E_ROOT_COLOR" "png:$E2E_WORK/root.png" || e2e_fail "cannot make $E2E_WORK/root.png"
  timeout 20 "${e2e_convert%convert*}display${e2e_convert#*convert}" -window root "$E2E_WORK/root.png" \
    </dev/null >/dev/null 2>&1 8>&-
  e2e_screenshot "$E2E_WORK/root-painted.png" && [[ $(e2e_pixel "$E2E_WORK/root-painted.png" 0 0) == "$E2E_ROOT_COLOR" ]] ||
    e2e_fail "cannot paint the root window"

  e2e_wine_stop_all
  E2E_WINE_STARTED=1
  # Persistent while the test runs; if the test is killed outright, the server still goes
  # half a minute after its last program.
  wineserver -p30 >/dev/null 2>&1 8>&- || true
  timeout 60 wine cmd /c exit >/dev/null 2>&1 8>&- || e2e_fail "Wine does not start programs"
  e2e_reset_registry || e2e_fail "cannot reset the registry"
  e2e_unlock_ini
  rm -f "$(e2e_ini_path)"
  # A known cursor position before any saver reads its starting point.
  xdotool mousemove 200 200 || e2e_fail "xdotool cannot move the pointer"
}

e2e_cleanup() {
  local rc=$? name
  trap - EXIT
  for name in "${!E2E_PIDS[@]}"; do
    e2e_kill "$name"
  done
  if ((E2E_WINE_STARTED)); then
    if ((E2E_USER_STORE_LOCKED)); then e2e_unlock_user_store >/dev/null 2>&1 || true; fi
    e2e_reset_registry >/dev/null 2>&1 || true
    e2e_unlock_ini
    rm -f "$(e2e_ini_path)"
    e2e_wine_stop_all
  fi
  orvane_xvfb_stop
  orvane_xorg_stop
  exit "$rc"
}

# The registry values that the tests change, back to the prefix's defaults: no Windows 98
# pretence for the saver, no saver password, the display's own DPI, no association for text
# files, and no per-user settings of the saver (which would win over the orvane.ini a test
# writes).
e2e_reset_registry() {
  local reg="$E2E_WORK/reset.reg"
  printf '%s\r\n' \
    'REGEDIT4' '' \
    '[-HKEY_CURRENT_USER\Software\Wine\AppDefaults\Orvane.scr]' '' \
    '[-HKEY_CURRENT_USER\Software\Orvane]' '' \
    '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"ScreenSaveUsePassword"=-' '"LogPixels"=-' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"=-' '' \
    '[-HKEY_CLASSES_ROOT\.txt]' '' \
    '[-HKEY_CLASSES_ROOT\orvane.e2e.help]' '' >"$reg"
  e2e_regedit "$reg"
}

# _e2e_registry_retried NAME COMMAND...: runs a registry change (regedit, reg add), made once
# more when it fails. A change prepares a test and tests nothing itself: on a loaded machine
# one that meets a wineserver still settling can fail. Failed tries go into registry.log,
# which e2e_fail shows.
_e2e_registry_retried() {
  local name=$1 try status
  shift
  for try in 1 2; do
    status=0
    "$@" >"$E2E_WORK/registry.now" 2>&1 8>&- || status=$?
    ((status == 0)) && return 0
    { printf '%s try %d: exit status %d\n' "$name" "$try" "$status"; cat "$E2E_WORK/registry.now"; } >>"$E2E_WORK/registry.log"
  done
  return 1
}

# e2e_regedit FILE: imports the .reg FILE.
e2e_regedit() { _e2e_registry_retried regedit timeout 60 wine regedit /s "$(e2e_winpath "$1")"; }

# e2e_reg_add KEY VALUE TYPE DATA: sets one registry value; an empty VALUE is the key's default.
e2e_reg_add() {
  local name=(/v "$2")
  [[ -n $2 ]] || name=(/ve)
  _e2e_registry_retried "reg add $1\\$2" timeout 60 wine reg add "$1" "${name[@]}" /t "$3" /d "$4" /f
}

# e2e_set_dpi DPI: the display scaling every Windows program started from now on sees
# (Wine's "LogPixels"). Wine's programs read it as they start, so the wineserver and whatever
# runs on it are restarted: call it before starting the client and the saver.
e2e_set_dpi() {
  local reg="$E2E_WORK/dpi.reg"
  printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Control Panel\Desktop]' \
    "\"LogPixels\"=dword:$(printf '%08x' "$1")" '' >"$reg"
  e2e_regedit "$reg" || return 1
  e2e_wine_stop_all
  wineserver -p30 >/dev/null 2>&1 8>&- || true
}

# ---------------------------------------------------------------------------------------------
# Files and settings

# The Windows name of a Linux path (drive Z: is the Linux root in every prefix).
e2e_winpath() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

e2e_ini_path() { printf '%s/drive_c/windows/orvane.ini' "$WINEPREFIX"; }

# e2e_write_ini KEY=VALUE...: a new orvane.ini with just these keys in section "boot".
e2e_write_ini() {
  local ini kv
  ini=$(e2e_ini_path)
  {
    printf '[boot]\r\n'
    for kv in "$@"; do printf '%s\r\n' "$kv"; done
  } >"$ini"
}

# e2e_ini_value KEY: the value of KEY in orvane.ini's "boot" section, or nothing.
e2e_ini_value() {
  tr -d '\r' <"$(e2e_ini_path)" 2>/dev/null | awk -v key="$1" '
    /^\[/ { in_boot = (tolower($0) == "[boot]"); next }
    in_boot {
      eq = index($0, "=")
      if (eq > 0) {
        k = substr($0, 1, eq - 1); gsub(/^[ \t]+|[ \t]+$/, "", k)
        if (tolower(k) == tolower(key)) { v = substr($0, eq + 1); gsub(/^[ \t]+|[ \t]+$/, "", v); print v; exit }
      }
    }'
}

# e2e_lock_ini / e2e_unlock_ini: orvane.ini made immutable, and back. A standard user on Windows
# may not write the Windows directory; under Wine, as root, file modes stop nothing, but an
# immutable file refuses every write. The clean-up always unlocks it.
e2e_lock_ini() { chattr +i "$(e2e_ini_path)"; }
e2e_unlock_ini() { [[ ! -e $(e2e_ini_path) ]] || chattr -i "$(e2e_ini_path)" 2>/dev/null || true; }

# The per-user settings key refusing every write, and back (the clean-up undoes it).
e2e_lock_user_store() {
  E2E_USER_STORE_LOCKED=1
  timeout 60 wine "$e2e_programs_dir/user-store-lock.exe" lock >"$E2E_WORK/user-store-lock.log" 2>&1 8>&-
}
e2e_unlock_user_store() {
  timeout 60 wine "$e2e_programs_dir/user-store-lock.exe" unlock >>"$E2E_WORK/user-store-lock.log" 2>&1 8>&- &&
    E2E_USER_STORE_LOCKED=0
}

# No per-user settings of the saver: what orvane.ini holds is what it reads.
e2e_clear_user_settings() {
  _e2e_registry_retried "reg delete Software\\Orvane" timeout 60 wine reg delete 'HKEY_CURRENT_USER\Software\Orvane' /f ||
    [[ -z $(timeout 60 wine reg query 'HKEY_CURRENT_USER\Software\Orvane' 2>/dev/null 8>&-) ]]
}

# e2e_user_value KEY: the saver's per-user value of KEY (HKEY_CURRENT_USER\Software\Orvane), or
# nothing when there is none.
e2e_user_value() {
  timeout 60 wine reg query 'HKEY_CURRENT_USER\Software\Orvane' /v "$1" 2>/dev/null 8>&- | tr -d '\r' |
    awk -v key="$1" 'tolower($1) == tolower(key) && $2 ~ /^REG_/ { $1 = ""; $2 = ""; sub(/^ +/, ""); print; exit }'
}

# ---------------------------------------------------------------------------------------------
# Processes

# e2e_start NAME COMMAND...: starts COMMAND in the background, output in $E2E_WORK/NAME.out.
e2e_start() {
  local name=$1
  shift
  "$@" >"$E2E_WORK/$name.out" 2>&1 8>&- &
  E2E_PIDS[$name]=$!
  unset "E2E_STATUS[$name]"
}

# e2e_start_wine NAME PROGRAM ARGS...: the same under Wine. The process that bash waits for
# is the Windows program itself, so its exit status is the program's (-1 shows as 255).
e2e_start_wine() {
  local name=$1
  shift
  e2e_start "$name" wine "$@"
}

# True while NAME runs; a process that has ended but was not yet waited for does not count.
e2e_running() {
  local pid=${E2E_PIDS[$1]:-} stat
  [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null || return 1
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  # The state follows the command name in parentheses, which may itself hold blanks.
  stat=${stat##*) }
  [[ ${stat:0:1} != Z ]]
}

# e2e_wait_exit NAME SECONDS: waits for NAME to end; sets E2E_STATUS[NAME] and returns 0, or
# returns 1 when it is still running at the end.
e2e_wait_exit() {
  local name=$1 limit=$2 pid=${E2E_PIDS[$1]:-}
  [[ -n "$pid" ]] || return 1
  if [[ -n "${E2E_STATUS[$name]:-}" ]]; then return 0; fi
  _e2e_ended() { ! e2e_running "$1"; }
  e2e_poll "$limit" _e2e_ended "$name" || return 1
  local status=0
  wait "$pid" 2>/dev/null || status=$?
  E2E_STATUS[$name]=$status
  unset "E2E_PIDS[$name]"
  return 0
}

# e2e_kill NAME: asks NAME to end, then forces it; no error when it has gone already.
e2e_kill() {
  local name=$1 pid=${E2E_PIDS[$1]:-} i
  [[ -n "$pid" ]] || return 0
  if e2e_running "$name"; then
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 40; i++)); do
      e2e_running "$name" || break
      sleep 0.1
    done
    e2e_running "$name" && kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null || true
  unset "E2E_PIDS[$name]"
}

# e2e_wine_run SECONDS PROGRAM ARGS...: runs a Windows program in the foreground, bounded.
e2e_wine_run() {
  local limit=$1
  shift
  timeout "$limit" wine "$@" 8>&-
}

# The saver, full screen, with its output in saver.out.
e2e_start_saver() { e2e_start_wine saver "$e2e_bin_dir/Orvane.scr" "$@"; }

# e2e_start_preview ARGS...: preview-host as "preview" running the saver's /p, stopped by the
# file $E2E_WORK/stop-preview; its report lines in $E2E_WORK/preview.out. ARGS go to preview-host.
e2e_start_preview() {
  e2e_start_wine preview "$e2e_programs_dir/preview-host.exe" --saver "$(e2e_winpath "$e2e_bin_dir/Orvane.scr")" \
    --stop-file "$(e2e_winpath "$E2E_WORK/stop-preview")" "$@"
}
# e2e_preview_said PREFIX: preview-host has reported a line starting with PREFIX.
e2e_preview_said() { tr -d '\r' <"$E2E_WORK/preview.out" | grep -q "^$1"; }

# The settings dialog's window, or nothing.
readonly E2E_DIALOG_TITLE='Orvane ScreenSaver Settings'
e2e_dialog_window() { xdotool search --name "^$E2E_DIALOG_TITLE\$" 2>/dev/null | head -n 1; }
_e2e_dialog_open() { [[ -n $(e2e_dialog_window) ]]; }

# e2e_focus_titled TITLE: gives the X focus to the shown window titled exactly TITLE, once it is
# mapped (a window found by its name may not be viewable yet, and X refuses it the focus).
e2e_focus_titled() {
  _e2e_focus_now() {
    local window
    window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [[ -n $window ]] && timeout 20 xdotool windowfocus --sync "$window" 2>/dev/null
  }
  e2e_poll 20 _e2e_focus_now "$1"
}

# e2e_open_dialog: starts the saver's settings dialog (/c) and gives it the keyboard.
e2e_open_dialog() {
  e2e_start_saver /c
  e2e_poll 30 _e2e_dialog_open || e2e_fail "no window titled \"$E2E_DIALOG_TITLE\""
  # No window manager gives it the keyboard: the X focus is set by hand.
  e2e_focus_titled "$E2E_DIALOG_TITLE" || e2e_fail "cannot give the dialog the keyboard focus"
  e2e_screenshot "$E2E_WORK/dialog.png"
}

# e2e_run_dialog KEYS...: opens the settings dialog, sends it the keys, and waits for it to
# close; its exit status is in E2E_STATUS[saver] (1 after OK, 0 after Cancel). The tab order is
# OK, Cancel, the minutes field, the blank check box, then the display settings; Alt+M, Alt+S
# and Alt+V reach the monitors list, the scale list and the shift check box.
e2e_run_dialog() {
  e2e_open_dialog
  xdotool key --delay 100 "$@"
  e2e_wait_exit saver 30 || e2e_fail "the settings dialog did not close after: $*"
  e2e_focus_follows_pointer
}

# The X focus back to PointerRoot (1), as it is at the start: keys go to the window under the
# pointer, which is how a saver started later gets them.
e2e_focus_follows_pointer() {
  xdotool windowfocus 1 2>/dev/null
  [[ $(xdotool getwindowfocus -f 2>/dev/null) == 1 ]] || e2e_fail "cannot give the X focus back to the pointer"
}

# The stand-in client, writing the record, with its output in sim.out.
e2e_start_sim() {
  e2e_start_wine sim "$e2e_bin_dir/orvane-sim.exe" "$@"
  e2e_poll 30 e2e_record_exists || e2e_fail "orvane-sim did not create the record"
}

e2e_record_exists() { timeout 60 wine "$e2e_programs_dir/orvane-peek.exe" >/dev/null 2>&1 8>&-; }

# ---------------------------------------------------------------------------------------------
# The shared record

# e2e_peek ARGS...: orvane-peek under Wine (see programs/orvane_peek.cpp for ARGS).
e2e_peek() { timeout 90 wine "$e2e_programs_dir/orvane-peek.exe" "$@" 8>&-; }

# e2e_field NAME: the field's current value.
e2e_field() { e2e_peek "$1" | tr -d '\r' | sed -n "s/^$1=//p"; }

# e2e_expect_field NAME VALUE MESSAGE: fails with MESSAGE unless the field reads VALUE. A read
# that gave no value at all (orvane-peek itself did not get through) says nothing about the
# saver and is made once more; a wrong value fails at once, with what was read.
e2e_expect_field() {
  local name=$1 want=$2 message=$3 out status=0 value try
  for try in 1 2; do
    status=0
    out=$(e2e_peek "$name" 2>&1) || status=$?
    value=$(tr -d '\r' <<<"$out" | sed -n "s/^$name=//p")
    [[ $value == "$want" ]] && return 0
    [[ -z $value ]] || break
    e2e_log "read $try of $name gave no value (orvane-peek status $status): $out"
  done
  e2e_fail "$message ($name read '${value}', not '$want')"
}

# e2e_wait_fields SECONDS NAME=VALUE|NAME!=VALUE...: waits until all hold at once.
e2e_wait_fields() {
  local limit=$1 left args=() c
  shift
  left=$(e2e_remaining)
  ((limit < left)) || limit=$left
  for c in "$@"; do args+=(--until "$c"); done
  e2e_peek --timeout "$limit" "${args[@]}" >/dev/null
}

# e2e_poke NAME=VALUE...: writes the fields in order.
# A failure leaves its exit status and output in record-poke.log, which e2e_fail shows.
e2e_poke() {
  local status=0
  timeout 60 wine "$e2e_programs_dir/record-poke.exe" "$@" >"$E2E_WORK/record-poke.now" 2>&1 8>&- || status=$?
  if ((status != 0)); then
    { printf 'record-poke %s: exit status %d\n' "$*" "$status"; cat "$E2E_WORK/record-poke.now"; } >>"$E2E_WORK/record-poke.log"
  fi
  return "$status"
}

# ---------------------------------------------------------------------------------------------
# The screen

# e2e_screenshot FILE: the whole virtual screen as PNG.
e2e_screenshot() {
  xwd -root -silent | "$e2e_convert" xwd:- "png:$1"
}

# The ImageMagick operations that turn the pixels of exactly COLOR white and all others black.
# Every other pixel first becomes a third colour, neither COLOR nor white, so that neither a
# black COLOR nor white pixels that were there before can end up on the wrong side.
_e2e_mask_ops() {
  local color=${1^^} other='#010101'
  [[ $color == "$other" ]] && other='#020202'
  printf '%s\n' -fill "$other" +opaque "$color" -fill white -opaque "$color" -fill black +opaque white
}

# e2e_color_box FILE COLOR [CROP]: the bounding box "WxH+X+Y" (screen coordinates) of the pixels
# of exactly COLOR ("#RRGGBB"), within CROP ("WxH+X+Y") when given; "none" when there are none.
e2e_color_box() {
  local file=$1 color=$2 crop=${3:-} cx=0 cy=0 box
  local args=("$file")
  if [[ -n "$crop" ]]; then
    args+=(-crop "$crop" +repage)
    cx=${crop#*+}; cy=${cx#*+}; cx=${cx%%+*}
  fi
  # A black border makes the corners, which decide what the trim box trims, never the colour.
  # shellcheck disable=SC2046
  box=$("$e2e_convert" "${args[@]}" -alpha off $(_e2e_mask_ops "$color") \
        -bordercolor black -border 1 -format '%[fx:maxima.r > 0 ? 1 : 0] %@' info: 2>/dev/null) || return 1
  _e2e_box_from "$box" "$cx" "$cy"
}

# "FOUND WxH+X+Y" from ImageMagick (on an image with a border of 1) to screen coordinates.
_e2e_box_from() {
  local box=$1 cx=$2 cy=$3
  if [[ ${box%% *} != 1 ]]; then
    echo none
    return 0
  fi
  box=${box#* }
  local w=${box%%x*} rest=${box#*x}
  local h=${rest%%+*} x y
  rest=${rest#*+}
  x=${rest%%+*}
  y=${rest#*+}
  echo "${w}x${h}+$((x + cx - 1))+$((y + cy - 1))"
}

# e2e_nonblack_box FILE [CROP]: like e2e_color_box, for every pixel that is not pure black.
e2e_nonblack_box() {
  local file=$1 crop=${2:-} cx=0 cy=0 box
  local args=("$file")
  if [[ -n "$crop" ]]; then
    args+=(-crop "$crop" +repage)
    cx=${crop#*+}; cy=${cx#*+}; cx=${cx%%+*}
  fi
  box=$("$e2e_convert" "${args[@]}" -alpha off -fill white +opaque black \
        -bordercolor black -border 1 -format '%[fx:maxima.r > 0 ? 1 : 0] %@' info: 2>/dev/null) || return 1
  _e2e_box_from "$box" "$cx" "$cy"
}

# e2e_color_count FILE COLOR [CROP]: how many pixels are exactly COLOR.
e2e_color_count() {
  local file=$1 color=$2 crop=${3:-}
  local args=("$file")
  [[ -n "$crop" ]] && args+=(-crop "$crop" +repage)
  # shellcheck disable=SC2046
  "$e2e_convert" "${args[@]}" -alpha off $(_e2e_mask_ops "$color") \
    -precision 15 -format '%[fx:round(mean.r * w * h)]\n' info:
}

# e2e_pixel FILE X Y: the colour at (X, Y) as "#RRGGBB".
e2e_pixel() {
  local hex
  hex=$("$e2e_convert" "$1" -alpha off -format "%[hex:p{$2,$3}]" info:) || return 1
  printf '#%s\n' "${hex:0:6}"
}

# Box parts: e2e_box_left/top/right/bottom "WxH+X+Y" (right and bottom inclusive).
e2e_box_left() { local r=${1#*+}; echo "${r%%+*}"; }
e2e_box_top() { echo "${1##*+}"; }
e2e_box_right() { local w=${1%%x*}; echo $(($(e2e_box_left "$1") + w - 1)); }
e2e_box_bottom() { local r=${1#*x}; local h=${r%%+*}; echo $(($(e2e_box_top "$1") + h - 1)); }

# The status screen is 752 x 445 pixels, centred on the screen; its violet frame reaches from
# 6 pixels inside its left edge to 6 inside its right (bars end 10 pixels in, rounded with
# discs of radius 4).
readonly E2E_CANVAS_W=752 E2E_CANVAS_H=445 E2E_VIOLET='#9966FF'
# The whole-pixel factor the test expects the canvas at; a test of scaling sets it.
E2E_SCALE=1
# The screen where no window covers it (see e2e_setup).
readonly E2E_ROOT_COLOR='#203040'
# The monitor the canvas is expected on, "WxH+X+Y" in screenshot pixels; empty for the whole
# screen. A test of several monitors sets it.
E2E_MONITOR=
_e2e_monitor() { if [[ -n $E2E_MONITOR ]]; then echo "$E2E_MONITOR"; else echo "${E2E_SCREEN_W}x${E2E_SCREEN_H}+0+0"; fi; }
e2e_canvas_left() {
  local m
  m=$(_e2e_monitor)
  echo $(($(e2e_box_left "$m") + (${m%%x*} - E2E_CANVAS_W * E2E_SCALE) / 2))
}
e2e_canvas_top() {
  local m h
  m=$(_e2e_monitor)
  h=${m#*x}
  h=${h%%+*}
  echo $(($(e2e_box_top "$m") + (h - E2E_CANVAS_H * E2E_SCALE) / 2))
}
# The canvas's place on the screen as a crop, "WxH+X+Y".
e2e_canvas_crop() {
  echo "$((E2E_CANVAS_W * E2E_SCALE))x$((E2E_CANVAS_H * E2E_SCALE))+$(e2e_canvas_left)+$(e2e_canvas_top)"
}

# e2e_canvas_shown FILE: true when FILE shows the status screen's frame where a centred canvas
# at E2E_SCALE puts it on E2E_MONITOR: the violet there spans exactly the expected columns and
# stays inside the canvas rows.
e2e_canvas_shown() {
  local box left top s=$E2E_SCALE
  box=$(e2e_color_box "$1" "$E2E_VIOLET" "$(_e2e_monitor)") || return 1
  [[ $box != none ]] || return 1
  left=$(e2e_canvas_left)
  top=$(e2e_canvas_top)
  [[ $(e2e_box_left "$box") -eq $((left + 6 * s)) &&
     $(e2e_box_right "$box") -eq $((left + (E2E_CANVAS_W - 6) * s - 1)) ]] || return 1
  [[ $(e2e_box_top "$box") -ge $top && $(e2e_box_bottom "$box") -le $((top + E2E_CANVAS_H * s - 1)) ]]
}

# e2e_wait_canvas SECONDS: waits until a screenshot shows the centred status screen; the last
# screenshot stays in $E2E_WORK/canvas.png.
e2e_wait_canvas() {
  _e2e_canvas_now() {
    e2e_screenshot "$E2E_WORK/canvas.png" && e2e_canvas_shown "$E2E_WORK/canvas.png"
  }
  e2e_poll "$1" _e2e_canvas_now
}

# ---------------------------------------------------------------------------------------------
# Readiness for input
#
# The saver marks itself attached while its window is being created, before the window is shown
# and made the foreground: a key sent then reaches no window and is lost. Input is sent only
# once the saver is ready for it: attached, its window shown and under the pointer (with no
# window manager, X gives keys to the window under the pointer unless a window holds the focus),
# the foreground window for Wine (which routes keys and buttons by it), and the screen drawn.

# The X window of the full-screen saver, or nothing.
e2e_saver_x_window() { xdotool search --onlyvisible --name '^Screen Saver$' 2>/dev/null | head -n 1; }

# Wine's foreground window: "HANDLE class CLASS title TITLE", or "0".
e2e_foreground() { timeout 60 wine "$e2e_programs_dir/foreground.exe" 8>&- | tr -d '\r' | sed -n 's/^foreground //p'; }

# True when X sends keys and buttons to the saver's window.
e2e_saver_has_x_input() {
  local window pointer focus
  window=$(e2e_saver_x_window)
  [[ -n $window ]] || return 1
  pointer=$(xdotool getmouselocation --shell 2>/dev/null | sed -n 's/^WINDOW=//p')
  focus=$(xdotool getwindowfocus -f 2>/dev/null)
  # Focus 1 is PointerRoot: the window under the pointer gets the keys.
  [[ $focus == "$window" || ($focus == 1 && $pointer == "$window") ]]
}

_e2e_screen_black() {
  e2e_screenshot "$E2E_WORK/ready.png" &&
    [[ $(e2e_color_count "$E2E_WORK/ready.png" '#000000') -eq $((E2E_SCREEN_W * E2E_SCREEN_H)) ]]
}

# Black but for the attention banner's strip, y 10..39.
_e2e_screen_blank() {
  local lit
  e2e_screenshot "$E2E_WORK/ready.png" || return 1
  [[ $(e2e_color_count "$E2E_WORK/ready.png" "$E2E_VIOLET") -eq 0 ]] || return 1
  lit=$(e2e_nonblack_box "$E2E_WORK/ready.png") || return 1
  [[ $lit == none ]] || (($(e2e_box_top "$lit") >= 10 && $(e2e_box_bottom "$lit") <= 39))
}

# e2e_wait_ready canvas|black|blank [SECONDS] [NAME]: waits until the saver started as NAME
# (default "saver") is ready for input, showing the status screen, an all-black screen, or a
# blank one (black but for the banner); fails the test when it ends or is not ready in time
# (default 30 s). The last screenshot stays in $E2E_WORK/ready.png.
e2e_wait_ready() {
  local screen=$1 limit=${2:-30} name=${3:-saver} left end
  case $screen in canvas | black | blank) ;; *) e2e_fail "e2e_wait_ready: unknown screen \"$screen\"" ;; esac
  left=$(e2e_remaining)
  ((limit < left)) || limit=$left
  end=$((SECONDS + limit))
  local why=
  while :; do
    e2e_running "$name" || e2e_fail "the saver ended before it was ready for input"
    if [[ $(e2e_field saver_attached) != 1 ]]; then
      why="not marked attached"
    elif ! e2e_saver_has_x_input; then
      why="its window is not shown under the pointer (X input goes elsewhere)"
    elif [[ $(e2e_foreground) != *" class WindowsScreenSaverClass title Screen Saver" ]]; then
      why="its window is not Wine's foreground window"
    elif [[ $screen == canvas ]] && ! { e2e_screenshot "$E2E_WORK/ready.png" && e2e_canvas_shown "$E2E_WORK/ready.png"; }; then
      why="no status screen"
    elif [[ $screen == black ]] && ! _e2e_screen_black; then
      why="the screen is not all black"
    elif [[ $screen == blank ]] && ! _e2e_screen_blank; then
      why="the screen is not blank"
    else
      return 0
    fi
    ((SECONDS < end)) || e2e_fail "the saver was not ready for input within $limit s: $why (last: $E2E_WORK/ready.png)"
    sleep 0.25
  done
}

# e2e_wait_ticks [ROUNDS]: shows that the drawing saver keeps running its ticks: raises a change
# flag and waits for the saver to lower it, ROUNDS times (default 2). The positive sign that
# stands in for "nothing happened": input sent before is handled before the next tick. Returns 1
# when a flag stays raised for 20 s or the saver has ended.
e2e_wait_ticks() {
  local rounds=${1:-2} i
  for ((i = 0; i < rounds; i++)); do
    e2e_running saver || return 1
    e2e_poke status_text_a_changed=1 >/dev/null || return 1
    e2e_wait_fields 20 status_text_a_changed=0 || return 1
  done
  e2e_running saver
}

# e2e_wait_banner_moves [SECONDS]: waits until two looks at the banner's strip show its white
# text in different places (default 40 s): the blank saver's sign that its ticks run. The last
# look stays in $E2E_WORK/banner.png.
e2e_wait_banner_moves() {
  local limit=${1:-40} previous= now=
  _e2e_banner_moved() {
    e2e_screenshot "$E2E_WORK/banner.png" || return 1
    now=$(e2e_color_box "$E2E_WORK/banner.png" '#FFFFFF' "${E2E_SCREEN_W}x30+0+10") || return 1
    [[ $now != none ]] || return 1
    [[ -n $previous && $now != "$previous" ]] && return 0
    previous=$now
    return 1
  }
  e2e_poll "$limit" _e2e_banner_moved
}
