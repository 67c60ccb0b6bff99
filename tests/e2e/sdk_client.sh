#!/usr/bin/env bash
# A Windows client as its author builds one: examples/minimal_client.c compiled with MinGW
# against the client SDK (the windows build's `client` component installed into a folder of
# its own), with orvane-client.dll beside it, publishes to the real Orvane.scr: the user's line
# it raised once is raised again when the saver attaches, drawn and lowered, and the status
# screen shows. The build is the one whose bin/ holds the saver (ORVANE_E2E_BIN_DIR).
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_setup sdk_client
build=$(dirname "$e2e_bin_dir")
[[ -f $build/CMakeCache.txt ]] || e2e_fail "$build, above $e2e_bin_dir, is no build folder"
compiler=x86_64-w64-mingw32-gcc
command -v "$compiler" >/dev/null 2>&1 || e2e_fail "$compiler is missing (scripts/bootstrap installs it)"

sdk=$E2E_WORK/sdk
cmake --install "$build" --component client --prefix "$sdk" >"$E2E_WORK/install.log" 2>&1 ||
  e2e_fail "installing the client component failed"
client_dir=$E2E_WORK/client
mkdir -p "$client_dir"
# The library and the program only, as the SDK's user ships them.
cp "$sdk/bin/orvane-client.dll" "$client_dir/" || e2e_fail "the SDK has no bin/orvane-client.dll"
"$compiler" -std=c99 -O2 -o "$client_dir/minimal_client.exe" "$e2e_source_dir/examples/minimal_client.c" \
  -I"$sdk/include" -L"$sdk/lib" -lorvane-client >"$E2E_WORK/compile.log" 2>&1 ||
  e2e_fail "minimal_client.c does not build against the SDK"
# Linked to the DLL, not to the static library.
imports=$(x86_64-w64-mingw32-objdump -p "$client_dir/minimal_client.exe") || e2e_fail "objdump cannot read minimal_client.exe"
grep -qi 'DLL Name: orvane-client.dll' <<<"$imports" ||
  e2e_fail "minimal_client.exe does not import orvane-client.dll"

e2e_write_ini "Blank=0" "Minutes=0"
e2e_record_exists && e2e_fail "a record exists before the test starts"
# Until the test ends it; it makes the record under the default name.
e2e_start_wine client "$client_dir/minimal_client.exe" 0
e2e_poll 30 e2e_record_exists || e2e_fail "minimal_client.exe made no record"
# The example publishes its user once: nobody lowers that flag before a saver attaches.
e2e_wait_fields 20 user_info_changed=1 || e2e_fail "minimal_client.exe has not raised user_info_changed"
e2e_expect_field saver_attached 0 "the record says a saver is attached before any runs"

e2e_start_saver /s
e2e_wait_fields 30 saver_attached=1 user_info_changed=0 ||
  e2e_fail "the saver did not attach and lower the user's line the example raised"
e2e_wait_ready canvas
e2e_running client || e2e_fail "minimal_client.exe ended while the saver showed it"
xdotool key space
e2e_wait_exit saver 30 || e2e_fail "the saver did not end after a key press"
e2e_expect_field saver_attached 0 "the saver left its attached marker behind"
e2e_pass
