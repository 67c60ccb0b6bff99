#!/usr/bin/env bash
# A real Prometheus, started here on loopback, scrapes three orvane-serve instances, each on a
# record and port of its own with a client through the Python module; a query through its
# HTTP API returns the progress of all three, and a client that stops shows up as stalled, by
# the alert's expression of the README. Three more clients publish under names of the family
# (its places 14 to 16): one instance gives each of them as a series of its own, told apart by
# the label `record`.
# Usage: prometheus_scrape.sh SOURCE_DIR SERVE LIBRARY
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
need prometheus
fail() { echo "FAIL: $*" >&2; [[ -f $work/prometheus.log ]] && tail -20 "$work/prometheus.log" >&2; exit 1; }

targets=
clients=()
# Each, labelled "core K", holds its progress at 0.3 + K/100, K its place.
for place in 14 15 16; do
  name="orvane_share_$place"
  names+=("$name")
  python3 - "$name" "$place" >"$work/family$place.log" 2>&1 <<'PY' &
import sys, time, orvane
with orvane.Client(name=sys.argv[1]) as c:
    c.set_label("core %s" % sys.argv[2])
    n = 0
    while True:
        c.set_progress(0.3 + int(sys.argv[2]) / 100.0)
        c.set_cpu_time(n * 0.1)
        n += 1
        time.sleep(0.1)
PY
  pids+=($!)
done
for i in 1 2 3; do
  name="orvane_test_scrape_$$_$i"
  names+=("$name")
  # Each client holds its progress at i/10 and keeps publishing it, as a working client does.
  python3 - "$name" "$i" >"$work/client$i.log" 2>&1 <<'PY' &
import sys, time, orvane
with orvane.Client(name=sys.argv[1]) as c:
    n = 0
    while True:
        c.set_progress(int(sys.argv[2]) / 10.0)
        c.set_cpu_time(n * 0.1)
        n += 1
        time.sleep(0.1)
PY
  clients+=($!)
  pids+=($!)
  port=$(free_port)
  "$serve" --listen "127.0.0.1:$port" --record "$name" --header "$source_dir/resources/header.bmp" >"$work/serve$i.log" 2>&1 &
  pids+=($!)
  targets+="${targets:+, }'127.0.0.1:$port'"
done

cat >"$work/prometheus.yml" <<YML
global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: orvane
    static_configs:
      - targets: [$targets]
YML
promtool check config "$work/prometheus.yml" >/dev/null || fail "the scrape configuration"
web=$(free_port)
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
  --web.listen-address="127.0.0.1:$web" >"$work/prometheus.log" 2>&1 &
pids+=($!)

# query EXPR CHECK: waits (60 s at most) until the instant query's result passes the Python CHECK
# on `r`, the list of {"metric":..., "value":[t, "v"]}.
query() {
  python3 - "http://127.0.0.1:$web/api/v1/query" "$1" "$2" <<'PY'
import json, sys, time, urllib.parse, urllib.request
url, expr, check = sys.argv[1:]
deadline, r = time.time() + 60, None
while time.time() < deadline:
    try:
        with urllib.request.urlopen(url + "?" + urllib.parse.urlencode({"query": expr}), timeout=5) as reply:
            r = json.load(reply)["data"]["result"]
        if eval(check):
            sys.exit(0)
    except OSError:
        pass
    time.sleep(0.5)
sys.exit("query %s: %s" % (expr, r))
PY
}
# Every instance serves the family's records too (and any other this machine has): the
# instances' own records are picked by name.
own='record=~"orvane_test_scrape_.*"'
query "orvane_progress_ratio{$own}" \
  'sorted(round(float(s["value"][1]), 3) for s in r) == [0.1, 0.2, 0.3]' || fail "the progress of all three"
query "orvane_record_present{$own}" 'len(r) == 3 and all(s["value"][1] == "1" for s in r)' || fail "three records present"
first=$(cut -d, -f1 <<<"$targets" | tr -d " '")
query "orvane_progress_ratio{instance=\"$first\",record=~\"orvane_share_1[456]\"}" \
  'sorted((s["metric"]["record"], round(float(s["value"][1]), 3)) for s in r) == [("orvane_share_14", 0.44), ("orvane_share_15", 0.45), ("orvane_share_16", 0.46)] and all(s["metric"]["label"] == "core " + s["metric"]["record"][13:] for s in r)' ||
  fail "one instance gives the three clients of the family as three series"
query "orvane_clients{instance=\"$first\"}" 'len(r) == 1 and float(r[0]["value"][1]) >= 4' || fail "orvane_clients counts the records"

# The second client stops: its instance's record stops changing. The README's alert, its
# threshold shortened, finds it alone among the instances' own records.
kill "${clients[1]}"
alert='orvane_record_present == 0 or orvane_seconds_since_change > 3'
query "$alert" '[s for s in r if s["metric"]["record"].startswith("orvane_test_scrape_")] != []' || fail "no client stalled"
stalled=$(python3 - "http://127.0.0.1:$web/api/v1/query" "$alert" <<'PY'
import json, sys, urllib.parse, urllib.request
q = urllib.parse.urlencode({"query": sys.argv[2]})
r = json.load(urllib.request.urlopen(sys.argv[1] + "?" + q, timeout=5))["data"]["result"]
own = [s["metric"] for s in r if s["metric"]["record"].startswith("orvane_test_scrape_")]
print(" ".join(sorted("%s/%s" % (m["instance"], m["record"]) for m in own)))
PY
)
second=$(cut -d, -f2 <<<"$targets" | tr -d " '")
[[ $stalled == "$second/orvane_test_scrape_$$_2" ]] || fail "the alert fires for $stalled, not for the second of $targets"
echo "prometheus scraped three orvane-serve instances and saw the stopped client stall"
