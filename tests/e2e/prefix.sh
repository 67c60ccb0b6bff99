#!/usr/bin/env bash
# Makes the Wine prefix that the end-to-end tests share, before the first of them runs.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
E2E_NAME=prefix
start=$SECONDS
e2e_prepare_prefix || { echo "e2e: cannot prepare $ORVANE_WINEPREFIX" >&2; exit 1; }
[[ -f "$ORVANE_WINEPREFIX/system.reg" && -d "$ORVANE_WINEPREFIX/drive_c/windows" ]] ||
  { echo "e2e: $ORVANE_WINEPREFIX is not a Wine prefix" >&2; exit 1; }
e2e_log "prefix $ORVANE_WINEPREFIX ready ($((SECONDS - start)) s)"
