#!/usr/bin/env bash
# The page in a real browser: headless Chromium opens /, and its screenshot of the page is the
# picture /status.png gives, pixel for pixel; when the client changes the record, the open page
# follows (the browser is driven over its DevTools protocol, so it is one page that follows,
# not a fresh load). Loopback only; the record has a name of its own.
# Usage: browser_page.sh SOURCE_DIR SERVE LIBRARY
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
need chromium
name="orvane_test_browser_$$"
names+=("$name")

# The client shows one state until the file "next" appears, then another.
python3 - "$name" "$work/next" >"$work/client.log" 2>&1 <<'PY' &
import os, sys, time, orvane
with orvane.Client(name=sys.argv[1]) as c:
    c.set_status_a("Sifting band 1")
    c.set_progress(0.2)
    while not os.path.exists(sys.argv[2]):
        time.sleep(0.05)
    c.set_status_a("Sifting band 2")
    c.set_progress(0.7)
    while True:
        time.sleep(1)
PY
pids+=($!)
port=$(free_port)
"$serve" --listen "127.0.0.1:$port" --record "$name" --header "$source_dir/resources/header.bmp" >"$work/serve.log" 2>&1 &
pids+=($!)
devtools=$(free_port)
# As wide as the screen: the page shows it at its own size, from the top-left corner.
nice chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run --user-data-dir="$work/profile" \
  --window-size=752,445 --remote-debugging-address=127.0.0.1 --remote-debugging-port="$devtools" \
  "http://127.0.0.1:$port/" >"$work/chromium.log" 2>&1 &
pids+=($!)

# Fetches /status.png and takes the page's screenshot until the two are the same pixels and, after
# the change, differ from the first picture; 20 s at most. Prints how long it took.
python3 - "$devtools" "$port" "$work" "$name" <<'PY' || fail "the page does not show the status screen: $(tail -3 "$work/chromium.log")"
import base64, json, os, socket, struct, subprocess, sys, time, urllib.request
devtools, port, work, name = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]

def page_socket():
    deadline = time.time() + 20
    while True:
        try:
            pages = json.load(urllib.request.urlopen("http://127.0.0.1:%d/json/list" % devtools, timeout=5))
            url = next(p["webSocketDebuggerUrl"] for p in pages if p.get("type") == "page")
            break
        except (OSError, StopIteration, ValueError):
            if time.time() > deadline: sys.exit("no page in the browser")
            time.sleep(0.2)
    path = "/" + url.split("/", 3)[3]
    s = socket.create_connection(("127.0.0.1", devtools), timeout=20)
    key = base64.b64encode(os.urandom(16)).decode()
    s.sendall(("GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n" % (path, key)).encode())
    reply = b""
    while b"\r\n\r\n" not in reply: reply += s.recv(1)
    assert b" 101 " in reply.split(b"\r\n")[0], reply
    return s

def recv_exact(s, n):
    data = b""
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk: raise OSError("closed")
        data += chunk
    return data

def call(s, ident, method):
    payload = json.dumps({"id": ident, "method": method}).encode()
    mask = os.urandom(4)
    head = bytes([0x81]) + (bytes([0x80 | len(payload)]) if len(payload) < 126 else bytes([0x80 | 126]) + struct.pack(">H", len(payload)))
    s.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))
    while True:
        b0, b1 = recv_exact(s, 2)
        n = b1 & 0x7F
        if n == 126: n = struct.unpack(">H", recv_exact(s, 2))[0]
        elif n == 127: n = struct.unpack(">Q", recv_exact(s, 8))[0]
        message = json.loads(recv_exact(s, n))
        if message.get("id") == ident: return message["result"]

s = page_socket()
ident = 0
def same_pixels(a, b):
    r = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True, text=True)
    return r.stderr.strip() == "0"
def shown_as_served(tag, unlike=None):
    global ident
    deadline = time.time() + 20
    start = time.time()
    while time.time() < deadline:
        ident += 1
        shot = "%s/%s-page.png" % (work, tag)
        open(shot, "wb").write(base64.b64decode(call(s, ident, "Page.captureScreenshot")["data"]))
        served = "%s/%s-served.png" % (work, tag)
        try:
            open(served, "wb").write(urllib.request.urlopen("http://127.0.0.1:%d/status.png" % port, timeout=5).read())
        except OSError:
            time.sleep(0.2)
            continue
        if same_pixels(shot, served) and (unlike is None or not same_pixels(shot, unlike)):
            return shot, time.time() - start
        time.sleep(0.2)
    sys.exit("the page's screenshot (%s) never matched /status.png" % tag)

first, _ = shown_as_served("first")
open(work + "/next", "w").close()
_, took = shown_as_served("second", unlike=first)
print("the page followed the change in %.1f s" % took)
PY
echo "the browser's page shows /status.png and follows the record"
