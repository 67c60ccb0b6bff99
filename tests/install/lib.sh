# shellcheck shell=bash
# How the install tests that run a viewer start, each run as SCRIPT HOST_BUILD_DIR:
#   source lib.sh NAME FILE "$@"
# checks that the build directory holds FILE (a usage error otherwise), skips (exit 77) when
# orvane was not built there, and brings in the viewer's own test helpers (tests/x11/lib.sh: a
# display of the test's own, background processes, probes) with that build's programs. The
# script then calls x11_setup NAME with the time it needs.
install_name=$1
build=${3:-}
[[ -n $build && -f $build/$2 ]] || { echo "usage: $0 HOST_BUILD_DIR (a configured build, with $2)" >&2; exit 1; }
[[ -x $build/bin/orvane ]] || { echo "[$install_name] SKIP: $build/bin/orvane was not built"; exit 77; }
export ORVANE_X11_BIN_DIR=$build/bin ORVANE_X11_WORK_DIR=$build/x11-work
# shellcheck source=../x11/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../x11/lib.sh"
