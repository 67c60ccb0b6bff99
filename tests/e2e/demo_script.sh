#!/usr/bin/env bash
# scripts/demo, as the README's first command runs it, leaves the checkout as it was: its
# picture goes to build/demo.png only. `--publish` is what replaces the README's picture, and
# it says so; an unknown option is refused.
set -uo pipefail
root=${ORVANE_E2E_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
work=${ORVANE_E2E_WORK_DIR:-$root/build/windows/e2e-work}/demo_script
rm -rf "$work"
mkdir -p "$work"
fail() { echo "[demo_script] FAIL: $*" >&2; exit 1; }

status=0
bash "$root/scripts/demo" --no-such-option >"$work/bad-option.out" 2>&1 || status=$?
[[ $status == 2 ]] || fail "an unknown option exited with $status, not 2: $(cat "$work/bad-option.out")"

tracked=$root/docs/screenshot.png
demo_png=$root/build/demo.png
before=$(sha256sum <"$tracked") || fail "no $tracked"
run_demo() {
  ORVANE_DEMO_BUILD=0 ORVANE_DEMO_XVFB=1 ORVANE_DEMO_SECONDS=3 timeout 150 bash "$root/scripts/demo" "$@"
}

run_demo >"$work/plain.out" 2>&1 || fail "scripts/demo failed: $(tail -n 20 "$work/plain.out")"
[[ -s $demo_png && $demo_png -nt "$work/bad-option.out" ]] || fail "scripts/demo wrote no new $demo_png"
[[ $(sha256sum <"$tracked") == "$before" ]] || fail "scripts/demo without --publish changed $tracked"
grep -q 'replaced\|wrote it to' "$work/plain.out" && fail "scripts/demo without --publish claims to publish"

published=$work/published.png
printf 'old picture' >"$published"
ORVANE_DEMO_PUBLISHED=$published run_demo --publish >"$work/publish.out" 2>&1 ||
  fail "scripts/demo --publish failed: $(tail -n 20 "$work/publish.out")"
cmp -s "$published" "$demo_png" || fail "--publish did not copy $demo_png to $published"
grep -q "replaced $published (11 bytes" "$work/publish.out" ||
  fail "--publish did not say what it replaced: $(cat "$work/publish.out")"
[[ $(sha256sum <"$tracked") == "$before" ]] || fail "--publish to another file changed $tracked"
echo "[demo_script] PASS"
