#!/usr/bin/env bash
# The pages in a real browser: headless Chromium opens /status.html, and its screenshot of the
# page is the picture /status.png gives, pixel for pixel; when the client changes the record,
# the open page follows (the browser is driven over its DevTools protocol, so it is one page
# that follows, not a fresh load). Then the overview at /: a card for the record and for each
# of two clients of the family (places 17 and 18), which follows a client's new status, and a
# card's link to the client's own page, which shows its /c/NAME/status.png. Loopback only.
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
# Two clients of the family; the first changes its status when "next" appears.
for place in 17 18; do
  names+=("orvane_share_$place")
  python3 - "orvane_share_$place" "$work/next" "$place" >"$work/family$place.log" 2>&1 <<'PY' &
import os, sys, time, orvane
with orvane.Client(name=sys.argv[1]) as c:
    c.set_status_a("Client %s at work" % sys.argv[3])
    c.set_progress(int(sys.argv[3]) / 100.0)
    while not os.path.exists(sys.argv[2]):
        time.sleep(0.05)
    if sys.argv[3] == "17":
        while not os.path.exists(sys.argv[2] + "-17"):
            time.sleep(0.05)
        c.set_status_a("Client 17 moved on")
    while True:
        time.sleep(1)
PY
  pids+=($!)
done
port=$(free_port)
"$serve" --listen "127.0.0.1:$port" --record "$name" --header "$source_dir/resources/header.bmp" >"$work/serve.log" 2>&1 &
pids+=($!)
devtools=$(free_port)
# As wide as the screen: the page shows it at its own size, from the top-left corner.
nice chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run --user-data-dir="$work/profile" \
  --window-size=752,445 --remote-debugging-address=127.0.0.1 --remote-debugging-port="$devtools" \
  "http://127.0.0.1:$port/status.html" >"$work/chromium.log" 2>&1 &
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

def call(s, ident, method, params=None):
    payload = json.dumps({"id": ident, "method": method, "params": params or {}}).encode()
    mask = os.urandom(4)
    head = bytes([0x81]) + (bytes([0x80 | len(payload)]) if len(payload) < 126 else bytes([0x80 | 126]) + struct.pack(">H", len(payload)))
    s.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))
    while True:
        b0, b1 = recv_exact(s, 2)
        n = b1 & 0x7F
        if n == 126: n = struct.unpack(">H", recv_exact(s, 2))[0]
        elif n == 127: n = struct.unpack(">Q", recv_exact(s, 8))[0]
        message = json.loads(recv_exact(s, n))
        # An error (a screenshot asked for while a page is being left) is None.
        if message.get("id") == ident: return message.get("result")

s = page_socket()
ident = 0
def same_pixels(a, b):
    r = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True, text=True)
    return r.stderr.strip() == "0"
def shown_as_served(tag, unlike=None, picture="/status.png"):
    global ident
    deadline = time.time() + 20
    start = time.time()
    while time.time() < deadline:
        ident += 1
        shot = "%s/%s-page.png" % (work, tag)
        taken = call(s, ident, "Page.captureScreenshot")
        if taken is None:
            time.sleep(0.2)
            continue
        open(shot, "wb").write(base64.b64decode(taken["data"]))
        served = "%s/%s-served.png" % (work, tag)
        try:
            open(served, "wb").write(urllib.request.urlopen("http://127.0.0.1:%d%s" % (port, picture), timeout=5).read())
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

# The overview, in the same page.
def evaluate(expression):
    global ident
    ident += 1
    return (call(s, ident, "Runtime.evaluate", {"expression": expression, "returnByValue": True}) or {}).get("result", {}).get("value")
ident += 1
call(s, ident, "Page.navigate", {"url": "http://127.0.0.1:%d/" % port})
cards_js = "JSON.stringify([...document.querySelectorAll('a.card')].map(c => [c.dataset.record, c.getAttribute('href'), c.querySelector('.status').textContent]))"
def cards_until(check, what):
    deadline, cards = time.time() + 20, None
    while time.time() < deadline:
        try:
            cards = {r: (href, status) for r, href, status in json.loads(evaluate(cards_js) or "[]")}
        except (ValueError, KeyError, TypeError):
            cards = None
        if cards and check(cards): return cards
        time.sleep(0.2)
    sys.exit("the overview never showed %s: %s" % (what, cards))
cards = cards_until(lambda c: name in c and "orvane_share_17" in c and "orvane_share_18" in c, "the three cards")
assert cards[name][0] == "status.html" and cards["orvane_share_17"][0] == "c/orvane_share_17/", cards
assert cards["orvane_share_18"][1] == "Client 18 at work", cards
# The open overview follows a client's change without being loaded again.
evaluate("window.stayed = 1")
open(work + "/next-17", "w").close()
cards_until(lambda c: c.get("orvane_share_17", ("", ""))[1] == "Client 17 moved on", "client 17's new status")
assert evaluate("window.stayed") == 1, "the overview was loaded anew"
# A card's link: the client's own page, showing its own picture.
link = evaluate("document.querySelector('a.card[data-record=\"orvane_share_17\"]').href")
assert link == "http://127.0.0.1:%d/c/orvane_share_17/" % port, link
ident += 1
call(s, ident, "Page.navigate", {"url": link})
shown_as_served("client17", picture="/c/orvane_share_17/status.png")
print("the overview showed %d cards and led to a client's page" % len(cards))
PY
echo "the browser's page shows /status.png and follows the record; the overview shows the cards"
