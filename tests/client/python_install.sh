#!/usr/bin/env bash
# The Python module installs offline with Debian's setuptools alone, and the installed copy
# loads the built library and publishes. Usage: python_install.sh SOURCE_DIR LIBRARY
set -euo pipefail
source_dir=$1
library=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy, so that the build leaves nothing in the source tree.
cp -r "$source_dir/python" "$work/src"
/usr/bin/python3 -m pip install --quiet --no-index --no-build-isolation --target "$work/site" "$work/src" \
  >"$work/pip.log" 2>&1 || { cat "$work/pip.log"; exit 1; }
cd "$work"
ORVANE_CLIENT_LIBRARY=$library PYTHONPATH=$work/site /usr/bin/python3 - <<'PY'
import os
import orvane
assert orvane.__file__.startswith(os.getcwd() + "/site/"), orvane.__file__
name = "orvane_pyinstall_%d" % os.getpid()
with orvane.Client(name) as client:
    client.set_status_a("installed")
    assert bytes(client.raw_record()[3044:3054]) == b"installed\0"
assert not os.path.exists("/dev/shm/" + name)
print("installed module publishes")
PY
