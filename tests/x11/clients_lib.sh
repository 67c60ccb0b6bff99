# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # lib.sh, sourced first, sets its x11_ variables; the tests read these arrays
# Helpers of the many-clients tests, sourced after lib.sh's x11_setup: three clients of the
# family at rest (x11-test-client) on the first three names, the picture orvane-snapshot makes
# of each one's record as published, and what each record says of its readers.

readonly X11_HEADER=$x11_source_dir/resources/header.bmp
X11_CLIENT_NAME=(orvane_share orvane_share_2 orvane_share_3)
X11_CLIENT_STATUS=("Searching for pulses" "Computing Gaussians" "Folding the data")
X11_CLIENT_PROGRESS=(0.25 0.5 0.75)
X11_CLIENT_DUMP=()
X11_CLIENT_PICTURE=()

# x11_region FILE CROP: a checksum of the pixels of CROP.
x11_region() { "$x11_convert" "$1" -crop "$2" +repage -alpha off -depth 8 rgb:- | md5sum | cut -d' ' -f1; }

# x11_client_run K: client K publishes its record; its bytes as published go to its dump.
x11_client_run() {
  local k=$1
  x11_start "client$k" "$x11_bin_dir/x11-test-client" "${X11_CLIENT_NAME[k]}" "${X11_CLIENT_STATUS[k]}" \
    "${X11_CLIENT_PROGRESS[k]}" "${X11_CLIENT_DUMP[k]}"
  _x11_client_ready() { grep -qx ready "$X11_WORK/client$1.out"; }
  x11_poll 20 _x11_client_ready "$k" || x11_fail "client $k did not publish its record"
}

x11_clients_start() {
  local k f
  for f in orvane-snapshot orvane-inspect x11-test-client; do
    [[ -x $x11_bin_dir/$f ]] || x11_fail "missing $x11_bin_dir/$f (build the host preset first)"
  done
  for k in 0 1 2; do
    [[ ! -e /dev/shm/${X11_CLIENT_NAME[k]} ]] || x11_fail "a record /${X11_CLIENT_NAME[k]} exists already: another client runs"
    rm -f "/dev/shm/${X11_CLIENT_NAME[k]}.readers"
  done
  for k in 0 1 2; do
    X11_CLIENT_DUMP[k]=$X11_WORK/client$k.bin
    x11_client_run "$k"
    "$x11_bin_dir/orvane-snapshot" --record "${X11_CLIENT_DUMP[k]}" --header "$X11_HEADER" \
      --out "$X11_WORK/client$k.png" >"$X11_WORK/snapshot$k.log" 2>&1 || x11_fail "orvane-snapshot of client $k failed"
    X11_CLIENT_PICTURE[k]=$(x11_region "$X11_WORK/client$k.png" 752x445+0+0)
  done
}

# x11_client_state K: the record's reader line and how many of its items are raised.
x11_client_state() {
  local text
  text=$("$x11_bin_dir/orvane-inspect" --name "${X11_CLIENT_NAME[$1]}" 2>&1)
  printf '%s; %s items raised' "$(grep -m1 '^reader:' <<<"$text")" "$(grep -Ec ' raised[:(]|raised$' <<<"$text")"
}
x11_client_marker() { od -An -t d4 -j "$X11_ATTACHED_OFFSET" -N 4 "/dev/shm/${X11_CLIENT_NAME[$1]}" 2>/dev/null | tr -d ' '; }
# Served: the marker set and every flag lowered.
x11_client_served() {
  local text
  text=$("$x11_bin_dir/orvane-inspect" --name "${X11_CLIENT_NAME[$1]}" 2>&1) || return 1
  grep -q '^reader: attached 1,' <<<"$text" && ! grep -Eq ' raised[:(]| raised$|[1-9][0-9]* of [0-9]+ raised' <<<"$text"
}
