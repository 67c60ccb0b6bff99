#!/usr/bin/env bash
# The Debian packages as a user gets them: CPack makes four from the host build, split as Debian
# splits a library: orvane (the programs), liborvane-client1 (the shared library),
# liborvane-client-dev (what a build needs) and python3-orvane. Each holds exactly its expected
# files; their control data has the project's version, the libraries dpkg-shlibdeps found, the
# packages' dependencies on each other and, for the library, a shlibs file; lintian finds nothing
# to report in any. Unpacked with dpkg-deb -x into a folder of their own (nothing is installed
# on this machine), the Python module publishes through the unpacked library, and orvane -window
# shows the status screen, header image included, from the packaged orvane-sim. (client_sdk.sh
# builds clients against the same library files in a prefix.)
# Usage: debian_package.sh HOST_BUILD_DIR. Exits 77 (skipped) when orvane was not built there.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" debian_package CPackConfig.cmake "$@"
X11_TIME_LIMIT=150 x11_setup debian_package
for tool in cpack dpkg-deb lintian; do
  command -v "$tool" >/dev/null 2>&1 || x11_fail "$tool is missing (scripts/bootstrap installs it)"
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || x11_fail "no CMAKE_PROJECT_VERSION in $build/CMakeCache.txt"
packages=$X11_WORK/packages
cpack --config "$build/CPackConfig.cmake" -B "$packages" >"$X11_WORK/cpack.out" 2>&1 || x11_fail "cpack failed"
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null) || x11_fail "dpkg-architecture gives no multiarch triplet"
declare -A deb=([orvane]=orvane_${version}_$arch.deb [liborvane-client1]=liborvane-client1_${version}_$arch.deb
                [liborvane-client-dev]=liborvane-client-dev_${version}_$arch.deb [python3-orvane]=python3-orvane_${version}_all.deb)
made=$(cd "$packages" && find . -maxdepth 1 -name '*.deb' -printf '%P\n' | sort)
[[ $made == "$(printf '%s\n' "${deb[@]}" | sort)" ]] || x11_fail "cpack made other packages than the four: $made"
for package in "${!deb[@]}"; do deb[$package]=$packages/${deb[$package]}; done

# What `cmake --install` puts in place (install_tree.sh checks the same list), the link with
# its target as dpkg-deb shows it; the library's packages and the module as Debian lays them out.
lib=/usr/lib/$multiarch
# The library's file carries its own version, the public header's, not the package's.
header=$(dirname "${BASH_SOURCE[0]}")/../../src/client/include/orvane/client.h
libversion=$(sed -n 's/^#define ORVANE_CLIENT_VERSION_MAJOR \([0-9]*\)$/\1/p' "$header").$(sed -n 's/^#define ORVANE_CLIENT_VERSION_MINOR \([0-9]*\)$/\1/p' "$header")
# CMake names the imported targets' file after the build type.
config=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" | tr '[:upper:]' '[:lower:]')
docs() { printf '/usr/share/doc/%s/changelog.gz\n/usr/share/doc/%s/copyright\n' "$1" "$1"; }
declare -A expected=(
  [orvane]=$(sed 's|^/usr/bin/orvane$|& -> ../libexec/xscreensaver/orvane|' "$(dirname "${BASH_SOURCE[0]}")/installed_files.txt")
  [liborvane-client1]=$(printf '%s\n' "$lib/liborvane-client.so.$libversion" "$lib/liborvane-client.so.1 -> liborvane-client.so.$libversion" \
                          /usr/share/lintian/overrides/liborvane-client1; docs liborvane-client1)
  [liborvane-client-dev]=$(printf "$lib/%s\n" liborvane-client.a "liborvane-client.so -> liborvane-client.so.1" \
                             pkgconfig/orvane-client.pc cmake/Orvane/{OrvaneConfig,OrvaneConfigVersion,OrvaneClientTargets}.cmake \
                             "cmake/Orvane/OrvaneClientTargets-$config.cmake"
                           echo /usr/include/orvane/client.h; docs liborvane-client-dev)
  [python3-orvane]=$(echo /usr/lib/python3/dist-packages/orvane/__init__.py; docs python3-orvane))
for package in "${!deb[@]}"; do
  # dpkg-deb -c: "mode owner size date time ./path [-> target]"; folders end in a slash.
  listing=$(dpkg-deb -c "${deb[$package]}") || x11_fail "dpkg-deb cannot list ${deb[$package]}"
  got=$(awk '{ path = $6; sub(/^\./, "", path); if (path ~ /\/$/) next
               line = path; for (i = 7; i <= NF; i++) line = line " " $i; print line }' <<<"$listing" | sort)
  want=$(sort <<<"${expected[$package]}")
  [[ $got == "$want" ]] || x11_fail "the files of $package differ from the expected list:
$(diff <(echo "$want") <(echo "$got"))"
  others=$(awk '$2 != "root/root"' <<<"$listing")
  [[ -z $others ]] || x11_fail "files of $package not owned by root: $others"
  [[ $(dpkg-deb -f "${deb[$package]}" Package) == "$package" && $(dpkg-deb -f "${deb[$package]}" Version) == "$version" &&
     $(dpkg-deb -f "${deb[$package]}" Source) == orvane ]] ||
    x11_fail "control data of $package: $(dpkg-deb -f "${deb[$package]}" Package Version Source)"
done

field() { dpkg-deb -f "${deb[$1]}" "$2"; }
# One alternative list a line, without versions.
names() { field "$1" Depends | sed 's/, /\n/g' | sed -E 's/ \([^)]*\)//g'; }
needs() { # needs PACKAGE DEPENDENCY...: each is one of PACKAGE's Depends lines
  local package=$1 names dependency
  shift
  names=$(names "$package")
  for dependency in "$@"; do
    grep -qxF "$dependency" <<<"$names" || x11_fail "$package's Depends lacks $dependency: $(field "$package" Depends)"
  done
}
[[ $(field orvane Architecture) == "$arch" && $(field python3-orvane Architecture) == all ]] ||
  x11_fail "architectures: orvane $(field orvane Architecture), python3-orvane $(field python3-orvane Architecture)"
[[ $(field orvane Suggests) == "xscreensaver, swayidle, liborvane-client-dev, python3-orvane" ]] ||
  x11_fail "orvane's Suggests is '$(field orvane Suggests)'"
# What dpkg-shlibdeps finds in the programs, with versions, beside the fonts we name ourselves.
needs orvane libc6 libx11-6 libxext6 libxrandr2 libxinerama1 libgtk-3-0 libgtk-layer-shell0 libwayland-client0 libfreetype6 libfontconfig1 libpng16-16 libstdc++6 \
  'fonts-liberation2 | fonts-liberation'
needs liborvane-client1 libc6 libstdc++6
# The development files go with the one runtime they link to; the module with one new enough.
grep -qF "liborvane-client1 (= $version)" <<<"$(field liborvane-client-dev Depends)" ||
  x11_fail "liborvane-client-dev does not depend on liborvane-client1 (= $version): $(field liborvane-client-dev Depends)"
grep -qF "liborvane-client1 (>= $version)" <<<"$(field python3-orvane Depends)" ||
  x11_fail "python3-orvane does not depend on liborvane-client1 (>= $version): $(field python3-orvane Depends)"
needs python3-orvane python3:any
# What dpkg-shlibdeps puts into the Depends of any program linked to the library.
dpkg-deb --ctrl-tarfile "${deb[liborvane-client1]}" | tar -xOf - ./shlibs >"$X11_WORK/shlibs" 2>/dev/null ||
  x11_fail "liborvane-client1 has no shlibs file"
grep -qxF "liborvane-client 1 liborvane-client1 (>= $version)" "$X11_WORK/shlibs" ||
  x11_fail "liborvane-client1's shlibs file does not name it: $(cat "$X11_WORK/shlibs")"
dpkg-deb --ctrl-tarfile "${deb[liborvane-client1]}" | tar -xOf - ./triggers 2>/dev/null | grep -qx 'activate-noawait ldconfig' ||
  x11_fail "liborvane-client1 does not trigger ldconfig"
x11_log "Depends of orvane: $(field orvane Depends)"

# Errors and warnings alike: none is left unexplained. (Information tags are listed, not judged.)
lintian --tag-display-limit 0 --info "${deb[@]}" >"$X11_WORK/lintian.out" 2>&1
reported=$(grep -E '^[EW]: ' "$X11_WORK/lintian.out")
[[ -z $reported ]] || x11_fail "lintian reports:
$reported"

root=$X11_WORK/root
for package in "${!deb[@]}"; do
  dpkg-deb -x "${deb[$package]}" "$root" || x11_fail "dpkg-deb -x of $package failed"
done
# The module from its packaged place, through the packaged library, publishes a record that
# orvane-inspect reads back.
record=orvane_deb_$$
ORVANE_CLIENT_LIBRARY=$root$lib/liborvane-client.so.1 PYTHONPATH=$root/usr/lib/python3/dist-packages PYTHONDONTWRITEBYTECODE=1 \
  python3 - "$root" "$record" "$build/bin/orvane-inspect" >"$X11_WORK/python.out" 2>&1 <<'PY' ||
import subprocess, sys
import orvane
root, record, inspect = sys.argv[1:]
assert orvane.__file__.startswith(root + "/"), orvane.__file__
with orvane.Client(record) as client:
    client.set_user("Ilse Marwick", 4, 60.0)
    report = subprocess.run([inspect, "--name", record], capture_output=True, text=True).stdout
    assert 'name "Ilse Marwick"' in report, report
PY
  x11_fail "the packaged module does not publish through the packaged library: $(cat "$X11_WORK/python.out")"
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
