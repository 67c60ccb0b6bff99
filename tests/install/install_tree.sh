#!/usr/bin/env bash
# `cmake --install` of a host build, with DESTDIR and the prefix /usr, lays out exactly the tree
# that XScreenSaver, man and the desktop read: the hack where XScreenSaver runs it, a working
# `orvane` on $PATH, the three tools with their man pages, the package's copyright and changelog,
# and data files that parse and agree with the programs' own options.
# Usage: install_tree.sh HOST_BUILD_DIR. Exits 77 (skipped) when orvane was not built there.
set -uo pipefail
name=install_tree
fail() { echo "[$name] FAIL: $*" >&2; exit 1; }
build=${1:-}
[[ -n $build && -f $build/CMakeCache.txt ]] || fail "usage: $0 HOST_BUILD_DIR (a configured build directory)"
[[ -x $build/bin/orvane ]] || { echo "[$name] SKIP: $build/bin/orvane was not built"; exit 77; }
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-install.XXXXXX") || fail "no temporary folder"
trap 'rm -rf "$work"' EXIT
dest=$work/root
DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$work/install.log")"

# The same list is the Debian package's (debian_package.sh).
# Sorted here as `sort` sorts what is found, whatever the locale.
expected=$(sort "$source_dir/tests/install/installed_files.txt")
got=$(cd "$dest" && find . -mindepth 1 ! -type d -printf '/%P\n' | sort)
[[ $got == "$expected" ]] || fail "installed files differ from the expected list:
$(diff <(echo "$expected") <(echo "$got"))"
# The manifest is what a packager or an uninstall goes by; it names the files without DESTDIR.
manifest=$(sort "$build/install_manifest.txt")
[[ $manifest == "$expected" ]] || fail "install_manifest.txt does not list the installed files:
$(diff <(echo "$expected") <(echo "$manifest"))"

for pair in resources/header.bmp:share/orvane/header.bmp resources/linux/orvane.xml:share/xscreensaver/config/orvane.xml \
            resources/linux/orvane.desktop:share/applications/screensavers/orvane.desktop \
            packaging/debian/copyright:share/doc/orvane/copyright \
            resources/linux/orvane-serve.service:lib/systemd/user/orvane-serve.service; do
  cmp -s "$source_dir/${pair%%:*}" "$dest/usr/${pair#*:}" || fail "/usr/${pair#*:} is not ${pair%%:*}"
done
# Man pages and the changelog go in gzipped, with the project's version filled in.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || fail "no CMAKE_PROJECT_VERSION in $build/CMakeCache.txt"
for pair in resources/linux/orvane.6x:share/man/man6/orvane.6x.gz resources/linux/orvane-sim.1:share/man/man1/orvane-sim.1.gz \
            resources/linux/orvane-snapshot.1:share/man/man1/orvane-snapshot.1.gz \
            resources/linux/orvane-inspect.1:share/man/man1/orvane-inspect.1.gz \
            resources/linux/orvane-serve.1:share/man/man1/orvane-serve.1.gz \
            packaging/debian/changelog.in:share/doc/orvane/changelog.gz; do
  installed=$dest/usr/${pair#*:}
  gzip -t "$installed" 2>/dev/null || fail "/usr/${pair#*:} is not a whole gzip file"
  cmp -s <(sed "s/@ORVANE_VERSION@/$version/g" "$source_dir/${pair%%:*}") <(gzip -dc "$installed") ||
    fail "/usr/${pair#*:} is not ${pair%%:*} with version $version"
  ! gzip -dc "$installed" | grep -q '@ORVANE_' || fail "/usr/${pair#*:} has a placeholder left"
done
head -n 1 <(gzip -dc "$dest/usr/share/doc/orvane/changelog.gz") | grep -q "^orvane ($version) " ||
  fail "the changelog's first entry is not version $version"

link=$dest/usr/bin/orvane
[[ -L $link ]] || fail "/usr/bin/orvane is not a symbolic link"
[[ $(readlink "$link") == ../libexec/xscreensaver/orvane ]] ||
  fail "/usr/bin/orvane points at '$(readlink "$link")', not ../libexec/xscreensaver/orvane"
# Through the link, so that a dangling or wrong one fails here; --help needs no display.
usage=$("$link" --help 2>&1) || fail "orvane --help through the link exited with $?: $usage"
[[ $usage == "usage: orvane "* ]] || fail "orvane --help printed no usage: $usage"

# check_man_page PAGE USAGE MIN_OPTIONS SECTION...: PAGE renders without warnings, has every
# SECTION, and its OPTIONS describe every option that USAGE (the program's --help) names.
check_man_page() {
  local page=$1 usage=$2 least=$3 warnings rendered section options named option
  shift 3
  if command -v man >/dev/null 2>&1; then
    warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
    rendered=$(MANWIDTH=100 man -l "$page" 2>/dev/null | col -b)
  elif command -v groff >/dev/null 2>&1; then
    warnings=$(gzip -dc "$page" | groff -man -ww -z 2>&1)
    rendered=$(gzip -dc "$page" | groff -man -Tutf8 -P-cbou 2>/dev/null)
  else
    fail "neither man (man-db) nor groff (groff-base) is installed, so the man pages cannot be checked"
  fi
  [[ -z $warnings ]] || fail "${page##*/} renders with warnings: $warnings"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" "SEE ALSO" "$@"; do
    grep -qx "$section" <<<"$rendered" || fail "the rendered ${page##*/} has no $section section"
  done
  options=$(awk '/^OPTIONS$/ { on = 1; next } on && /^[A-Z][A-Z ]+$/ { exit } on' <<<"$rendered")
  named=$(grep -oE -- '^ *-[-a-z]+' <<<"$usage" | tr -d ' ' | sort -u)
  (($(grep -c . <<<"$named") >= least)) || fail "the --help of ${page##*/} names too few options to compare: $named"
  while read -r option; do
    grep -qE -- "^ +$option( |,|$)" <<<"$options" || fail "the OPTIONS of ${page##*/} do not describe $option"
  done <<<"$named"
}
man_dir=$dest/usr/share/man
check_man_page "$man_dir/man6/orvane.6x.gz" "$usage" 10 ENVIRONMENT FILES
for tool in orvane-sim orvane-snapshot orvane-inspect; do
  tool_usage=$("$dest/usr/bin/$tool" --help 2>&1) || fail "$tool --help exited with $?: $tool_usage"
  [[ $tool_usage == "usage: $tool "* ]] || fail "$tool --help printed no usage: $tool_usage"
  check_man_page "$man_dir/man1/$tool.1.gz" "$tool_usage" 7
done
serve_usage=$("$dest/usr/bin/orvane-serve" --help 2>&1) || fail "orvane-serve --help exited with $?: $serve_usage"
[[ $serve_usage == "usage: orvane-serve "* ]] || fail "orvane-serve --help printed no usage: $serve_usage"
check_man_page "$man_dir/man1/orvane-serve.1.gz" "$serve_usage" 5

# The settings dialog's widgets, turned into the command lines XScreenSaver would run, must be
# ones the program accepts: a refused option leaves the screen black.
command -v python3 >/dev/null 2>&1 || fail "python3 is needed to read the XScreenSaver config file"
args=$(python3 - "$dest/usr/share/xscreensaver/config/orvane.xml" 2>&1 <<'EOF'
import sys
import xml.etree.ElementTree as ET
try:
    root = ET.parse(sys.argv[1]).getroot()
except ET.ParseError as error:
    sys.exit(f"orvane.xml is not well-formed XML: {error}")
if root.tag != "screensaver" or root.get("name") != "orvane" or not root.get("_label"):
    sys.exit("orvane.xml: the root is not <screensaver name=\"orvane\" _label=...>")
if [c.get("arg") for c in root.iter("command")] != ["-root"]:
    sys.exit("orvane.xml: the command is not -root alone")
if not (root.findtext("_description") or "").strip():
    sys.exit("orvane.xml: no <_description>")
lines = []
for number in root.iter("number"):
    low, high, default = (int(number.get(k)) for k in ("low", "high", "default"))
    if not low <= default <= high:
        sys.exit(f"orvane.xml: {number.get('id')}: default {default} is outside {low}..{high}")
    lines += [number.get("arg").replace("%", str(v)) for v in (low, default, high)]
for boolean in root.iter("boolean"):
    lines.append(boolean.get("arg-set"))
for select in root.iter("select"):
    options = select.findall("option")
    if sum(1 for o in options if o.get("arg-set") is None) != 1:
        sys.exit(f"orvane.xml: select {select.get('id')} needs exactly one default option")
    lines += [o.get("arg-set") for o in options if o.get("arg-set") is not None]
print("\n".join(lines))
EOF
) || fail "$args"
for option in -delay -fps -monitors -scale -shift -clients -rotate -stale; do
  grep -q -- "^$option\b" <<<"$args" || fail "orvane.xml has no widget for $option"
done
while read -r line; do
  # shellcheck disable=SC2086 # each line is an option and its value, split as sh would
  out=$("$link" -root $line --help 2>&1) || fail "orvane refuses the config file's '$line': $(head -n 1 <<<"$out")"
done <<<"$args"

desktop=$dest/usr/share/applications/screensavers/orvane.desktop
for entry in '\[Desktop Entry\]' 'Type=Application' 'Name=Orvane' 'Exec=orvane -root' 'TryExec=orvane' \
             'NoDisplay=true' 'Categories=Screensaver;' 'Comment=.+'; do
  grep -qxE "$entry" "$desktop" || fail "orvane.desktop has no line $entry"
done
echo "[$name] PASS"
