#!/usr/bin/env bash
# The Debian package as a user gets it: CPack makes it from the host build; its contents are
# exactly the expected files; its control data has the project's version, the libraries
# dpkg-shlibdeps found and xscreensaver as a suggestion; lintian finds nothing to report; and,
# unpacked with dpkg-deb -x into a folder of its own (nothing is installed on this machine), its
# orvane -window shows the status screen, header image included, from the packaged orvane-sim.
# Usage: debian_package.sh HOST_BUILD_DIR. Exits 77 (skipped) when orvane was not built there.
build=${1:-}
[[ -n $build && -f $build/CPackConfig.cmake ]] || { echo "usage: $0 HOST_BUILD_DIR (configured, with CPack)" >&2; exit 1; }
[[ -x $build/bin/orvane ]] || { echo "[debian_package] SKIP: $build/bin/orvane was not built"; exit 77; }
export ORVANE_X11_BIN_DIR=$build/bin ORVANE_X11_WORK_DIR=$build/x11-work
# The viewer's own test helpers: a display of the test's own, background processes, probes.
# shellcheck source=../x11/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../x11/lib.sh"
X11_TIME_LIMIT=150 x11_setup debian_package
for tool in cpack dpkg-deb lintian; do
  command -v "$tool" >/dev/null 2>&1 || x11_fail "$tool is missing (scripts/bootstrap installs it)"
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || x11_fail "no CMAKE_PROJECT_VERSION in $build/CMakeCache.txt"
packages=$X11_WORK/packages
cpack --config "$build/CPackConfig.cmake" -B "$packages" >"$X11_WORK/cpack.out" 2>&1 || x11_fail "cpack failed"
deb=$packages/orvane_${version}_amd64.deb
[[ -f $deb ]] || x11_fail "cpack made no $(basename "$deb"): $(ls "$packages")"

# What `cmake --install` puts in place (install_tree.sh checks the same list), the link with
# its target as dpkg-deb shows it.
expected=$(sed 's|^/usr/bin/orvane$|& -> ../libexec/xscreensaver/orvane|' "$(dirname "${BASH_SOURCE[0]}")/installed_files.txt" | sort)
# dpkg-deb -c: "mode owner size date time ./path [-> target]"; folders end in a slash.
listing=$(dpkg-deb -c "$deb") || x11_fail "dpkg-deb cannot list $deb"
got=$(awk '{ path = $6; sub(/^\./, "", path); if (path ~ /\/$/) next
             line = path; for (i = 7; i <= NF; i++) line = line " " $i; print line }' <<<"$listing" | sort)
[[ $got == "$expected" ]] || x11_fail "the package's files differ from the expected list:
$(diff <(echo "$expected") <(echo "$got"))"
others=$(awk '$2 != "root/root"' <<<"$listing")
[[ -z $others ]] || x11_fail "files not owned by root: $others"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == orvane && $(field Version) == "$version" && $(field Architecture) == amd64 ]] ||
  x11_fail "control data: Package '$(field Package)', Version '$(field Version)', Architecture '$(field Architecture)'"
[[ $(field Suggests) == xscreensaver ]] || x11_fail "Suggests is '$(field Suggests)', not xscreensaver"
depends=$(field Depends)
# What dpkg-shlibdeps finds in the programs, with versions, beside the fonts we name ourselves.
# One alternative list a line, without versions.
names=$(sed 's/, /\n/g' <<<"$depends" | sed -E 's/ \([^)]*\)//g')
for library in libc6 libx11-6 libxext6 libxrandr2 libxinerama1 libfreetype6 libfontconfig1 libpng16-16 libstdc++6; do
  grep -qxF "$library" <<<"$names" || x11_fail "Depends lacks $library: $depends"
done
grep -qxF 'fonts-liberation2 | fonts-liberation' <<<"$names" || x11_fail "Depends lacks the fonts: $depends"
x11_log "Depends: $depends"

# Errors and warnings alike: none is left unexplained. (Information tags are listed, not judged.)
lintian --tag-display-limit 0 --info "$deb" >"$X11_WORK/lintian.out" 2>&1
reported=$(grep -E '^[EW]: ' "$X11_WORK/lintian.out")
[[ -z $reported ]] || x11_fail "lintian reports:
$reported"

root=$X11_WORK/root
dpkg-deb -x "$deb" "$root" || x11_fail "dpkg-deb -x failed"
cmp -s "$root/usr/share/orvane/header.bmp" "$(dirname "${BASH_SOURCE[0]}")/../../resources/header.bmp" ||
  x11_fail "the packaged header.bmp is not resources/header.bmp"

# From a folder without a header.bmp, so that the image shown can only be the unpacked one.
cd "$X11_WORK" || x11_fail "cannot enter $X11_WORK"
[[ ! -e header.bmp ]] || x11_fail "$X11_WORK holds a header.bmp"
x11_start sim "$root/usr/bin/orvane-sim" --scenario steady --rate 5
x11_poll 20 test -e /dev/shm/orvane_share || x11_fail "the packaged orvane-sim made no record"
x11_start viewer "$root/usr/bin/orvane" -window
# No window manager: the window is made at 0,0 with the canvas's size. The header image holds
# the frame's violet too, so the frame is looked for below it.
_header_shown() {
  local box
  x11_shot "$X11_WORK/shot.png" || return 1
  box=$(x11_color_box "$X11_WORK/shot.png" "$X11_VIOLET" 752x404+0+41) || return 1
  [[ $box != none && $(x11_box_left "$box") -eq 6 && $(x11_box_right "$box") -eq 745 ]] || return 1
  "$x11_convert" "$X11_WORK/shot.png" -crop 500x41+0+0 +repage "png24:$X11_WORK/header-shown.png" &&
    [[ $("${x11_convert%convert*}compare${x11_convert#*convert}" -metric AE "$X11_WORK/header-shown.png" \
         "$root/usr/share/orvane/header.bmp" null: 2>&1) == 0 ]]
}
x11_poll 30 _header_shown ||
  x11_fail "the unpacked orvane shows no status screen with the packaged header image ($X11_WORK/shot.png)"
[[ $(x11_attached) == 1 ]] || x11_fail "saver_attached is $(x11_attached) while the unpacked viewer runs"
x11_stop viewer
[[ $X11_STATUS == 0 ]] || x11_fail "the unpacked viewer's exit status on TERM is $X11_STATUS"
x11_pass
