# What the end-to-end tests of orvane-serve share. Sourced with the test's arguments
# SOURCE_DIR SERVE LIBRARY: sets source_dir and serve, points the Python module at the client
# library, makes $work, and at exit ends every process in `pids` and removes every record
# named in `names` with its readers' board.
set -euo pipefail
source_dir=$1
serve=$2
export ORVANE_CLIENT_LIBRARY=$3 PYTHONPATH=$source_dir/python PYTHONDONTWRITEBYTECODE=1
work=$(mktemp -d)
pids=()
names=()
serve_cleanup() {
  local pid name
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  for name in "${names[@]}"; do rm -f "/dev/shm/$name" "/dev/shm/$name.readers"; done
  rm -rf "$work"
}
trap serve_cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
# need TOOL: the test cannot run without it.
need() { command -v "$1" >/dev/null || { echo "$1 is missing (scripts/bootstrap installs it)" >&2; exit 1; }; }
