#!/usr/bin/env bash
# `cmake --install` of a host build, with DESTDIR and the prefix /usr, lays out exactly the tree
# that XScreenSaver, man and the desktop read: the hack where XScreenSaver runs it, a working
# `orvane` on $PATH, and data files that parse and agree with the program's own options.
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

expected="/usr/bin/orvane
/usr/libexec/xscreensaver/orvane
/usr/share/applications/screensavers/orvane.desktop
/usr/share/man/man6/orvane.6x
/usr/share/orvane/header.bmp
/usr/share/xscreensaver/config/orvane.xml"
got=$(cd "$dest" && find . -mindepth 1 ! -type d -printf '/%P\n' | sort)
[[ $got == "$expected" ]] || fail "installed files differ from the expected list:
$(diff <(echo "$expected") <(echo "$got"))"
# The manifest is what a packager or an uninstall goes by; it names the files without DESTDIR.
manifest=$(sort "$build/install_manifest.txt")
[[ $manifest == "$expected" ]] || fail "install_manifest.txt does not list the installed files:
$(diff <(echo "$expected") <(echo "$manifest"))"

for pair in header.bmp:share/orvane/header.bmp linux/orvane.xml:share/xscreensaver/config/orvane.xml \
            linux/orvane.6x:share/man/man6/orvane.6x linux/orvane.desktop:share/applications/screensavers/orvane.desktop; do
  cmp -s "$source_dir/resources/${pair%%:*}" "$dest/usr/${pair#*:}" ||
    fail "/usr/${pair#*:} is not resources/${pair%%:*}"
done

link=$dest/usr/bin/orvane
[[ -L $link ]] || fail "/usr/bin/orvane is not a symbolic link"
[[ $(readlink "$link") == ../libexec/xscreensaver/orvane ]] ||
  fail "/usr/bin/orvane points at '$(readlink "$link")', not ../libexec/xscreensaver/orvane"
# Through the link, so that a dangling or wrong one fails here; --help needs no display.
usage=$("$link" --help 2>&1) || fail "orvane --help through the link exited with $?: $usage"
[[ $usage == "usage: orvane "* ]] || fail "orvane --help printed no usage: $usage"

man_page=$dest/usr/share/man/man6/orvane.6x
if command -v man >/dev/null 2>&1; then
  warnings=$(man --warnings -l "$man_page" 2>&1 >/dev/null)
  rendered=$(MANWIDTH=100 man -l "$man_page" 2>/dev/null | col -b)
elif command -v groff >/dev/null 2>&1; then
  warnings=$(groff -man -ww -z "$man_page" 2>&1)
  rendered=$(groff -man -Tutf8 -P-cbou "$man_page" 2>/dev/null)
else
  fail "neither man (man-db) nor groff (groff-base) is installed, so the man page cannot be checked"
fi
[[ -z $warnings ]] || fail "the man page renders with warnings: $warnings"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES "EXIT STATUS" "SEE ALSO"; do
  grep -qx "$section" <<<"$rendered" || fail "the rendered man page has no $section section"
done
# Every option the program names in its usage is described in OPTIONS.
options=$(sed -n '/^OPTIONS$/,/^ENVIRONMENT$/p' <<<"$rendered")
named=$(grep -oE -- '^ *-[-a-z]+' <<<"$usage" | tr -d ' ' | sort -u)
(($(wc -l <<<"$named") >= 10)) || fail "orvane --help names too few options to compare: $named"
while read -r option; do
  grep -qE -- "^ +$option( |,|$)" <<<"$options" || fail "the man page's OPTIONS do not describe $option"
done <<<"$named"

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
for option in -delay -fps -monitors -scale -shift; do
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
