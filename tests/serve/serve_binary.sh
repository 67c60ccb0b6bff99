#!/usr/bin/env bash
# orvane-serve as installed and run: a client on its own record name publishing through the
# Python module, the page, the JSON (parsed), /metrics through promtool with and without the
# record, the token file, the command line, and SIGTERM. Everything on loopback.
# Usage: serve_binary.sh SOURCE_DIR SERVE LIBRARY
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
name="orvane_test_serve_bin_$$"
names+=("$name")
# Waits for a command to succeed, 20 s at most.
wait_for() {
  for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
  "$@"
}

"$serve" --help | grep -q -- "--listen ADDR:PORT" || fail "--help"
status=0; "$serve" --bogus 2>"$work/err" || status=$?
[[ $status -eq 2 ]] && grep -q "unknown option" "$work/err" || fail "a bad option exits 2 with the reason ($status)"
status=0; "$serve" --token "$work/missing" 2>/dev/null || status=$?
[[ $status -eq 2 ]] || fail "a missing token file exits 2 ($status)"

echo "farm-token-1" >"$work/token"
port=$(free_port)
"$serve" --listen "127.0.0.1:$port" --record "$name" --token "$work/token" --header "$source_dir/resources/header.bmp" \
  >"$work/serve.log" 2>&1 &
server=$!
pids+=("$server")
base="http://127.0.0.1:$port"
auth=(-H "Authorization: Bearer farm-token-1")
get() { curl -s --max-time 5 "${auth[@]}" "$@"; }
code() { curl -s --max-time 5 -o /dev/null -w '%{http_code}' "$@"; }
answers() { [[ $(code "${auth[@]}" "$base/metrics") == 200 ]]; }
wait_for answers || fail "the server does not answer: $(cat "$work/serve.log")"

# No record yet: the waiting line, and metrics that promtool accepts.
[[ $(code "$base/metrics") == 401 ]] || fail "a request without the token is refused"
get "$base/status.json" | python3 -c 'import json,sys; s=json.load(sys.stdin); assert not s["present"] and "no shared record /'"$name"'" in s["waiting_line"], s'
get "$base/metrics" | promtool check metrics || fail "promtool on the metrics without a record"

# A client through the library: a progress that climbs, with a status text.
python3 - "$name" >"$work/client.log" 2>&1 <<'PY' &
import sys, time, orvane
with orvane.Client(name=sys.argv[1]) as c:
    c.set_status_a("Sifting band 3")
    c.set_label('core "3" \\ b\u00e9')
    for i in range(100000):
        c.set_progress((i % 100) / 100.0)
        c.set_cpu_time(i * 0.5)
        time.sleep(0.05)
PY
pids+=($!)
wait_for python3 -c 'import json,sys,urllib.request as u
r = u.Request(sys.argv[1], headers={"Authorization": "Bearer farm-token-1"})
s = json.load(u.urlopen(r, timeout=5))
assert s["present"] and s["status_a"]["text"] == "Sifting band 3", s' "$base/status.json" || fail "the JSON does not show the client"
get "$base/metrics" >"$work/metrics"
promtool check metrics <"$work/metrics" || fail "promtool on the metrics with a record"
# The label as UTF-8, its quote and backslash escaped.
grep -qF "orvane_record_present{record=\"$name\",label=\"core \\\"3\\\" \\\\ bé\"} 1" "$work/metrics" || fail "record present, labelled"
grep -q "^orvane_progress_ratio{record=\"$name\"," "$work/metrics" || fail "progress"

# The picture follows the client: two fetches some time apart differ.
get -o "$work/a.png" "$base/status.png?token=farm-token-1"
python3 -c 'import struct,sys; b=open(sys.argv[1],"rb").read(24)
assert b[:8]==b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", b[16:24])==(752,445)' "$work/a.png" || fail "status.png is not the screen"
wait_for bash -c 'curl -s --max-time 5 -o "$1/b.png" "$2/status.png?token=farm-token-1" && ! cmp -s "$1/a.png" "$1/b.png"' _ "$work" "$base" ||
  fail "the picture does not follow the client"
get "$base/status.html?token=farm-token-1" | grep -q "status.json" || fail "the page"
get "$base/?token=farm-token-1" | grep -q "data-record=\"$name\" href=\"status.html?token=farm-token-1\"" || fail "the overview"
get "$base/clients.json" | python3 -c 'import json,sys; c=json.load(sys.stdin); assert c[0]["name"]==sys.argv[1] and c[0]["present"], c' "$name" ||
  fail "clients.json"

# Load, bounded in count: eight clients at once, 1200 requests over every route while the client
# writes; none fails, and the server's memory after them is what it was after a first round
# as long.
load() {
  python3 - "$base" "$1" <<'PY'
import sys, threading, urllib.request
base, rounds = sys.argv[1], int(sys.argv[2])
paths = ["/status.png", "/status.png?scale=2", "/status.json", "/metrics", "/", "/clients.json"]
failures = []
def run(t):
    for i in range(rounds):
        request = urllib.request.Request(base + paths[(t + i) % len(paths)], headers={"Authorization": "Bearer farm-token-1"})
        try:
            with urllib.request.urlopen(request, timeout=10) as reply:
                if reply.status != 200 or not reply.read():
                    failures.append(request.full_url)
        except OSError as error:
            failures.append("%s: %s" % (request.full_url, error))
threads = [threading.Thread(target=run, args=(t,)) for t in range(8)]
for t in threads: t.start()
for t in threads: t.join()
assert not failures, failures[:5]
PY
}
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$server/status"; }
# The first round warms every worker's allocations (a few MB, more on a loaded machine); a leak
# shows as growth over the next one.
load 150 || fail "requests failed under load"
before=$(rss)
load 150 || fail "requests failed under load"
after=$(rss)
((after - before < 4096)) || fail "the server grew from $before kB to $after kB over 1200 requests"
kill -0 "$server" || fail "the server ended under load"

# SIGTERM ends it cleanly, even while clients that read nothing hold large pictures (their
# writes would time out only after seconds), and the last reader takes its board away.
[[ -e "/dev/shm/$name.readers" ]] || fail "no readers' board beside the record while serving"
python3 - "$port" >"$work/slow.log" 2>&1 <<'PY' &
import socket, sys, time
held = []
for _ in range(4):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    s.connect(("127.0.0.1", int(sys.argv[1])))
    s.sendall(b"GET /status.png?scale=8&token=farm-token-1 HTTP/1.1\r\nHost: x\r\n\r\n")
    s.recv(1)  # the answer has begun, and then is left unread
    held.append(s)
print("holding", flush=True)
time.sleep(30)
PY
slow=$!
pids+=("$slow")
wait_for grep -q holding "$work/slow.log" || fail "the slow readers did not connect"
started=$(date +%s%N)
kill -TERM "$server"
status=0; wait "$server" || status=$?
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
[[ $status -eq 0 ]] || fail "SIGTERM ends it with status $status"
# Half a second is the aim (docs/orvane-serve.md); the bound here leaves room for a loaded
# machine and still fails the two-second wait on a slow reader's write.
((elapsed < 1500)) || fail "SIGTERM took $elapsed ms with slow readers connected"
[[ ! -e "/dev/shm/$name.readers" ]] || fail "the readers' board is left in /dev/shm after a clean exit"
echo "SIGTERM ended it in $elapsed ms"
echo "orvane-serve: page, JSON, metrics (promtool clean) and the token right"
