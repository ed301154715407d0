#!/usr/bin/env python3
"""Small checks for scripts/test-windows.sh, one per subcommand:

  free-port                    a TCP port free on 127.0.0.1 now
  client PORT OUT SECONDS      connects to 127.0.0.1:PORT as soon as it listens (retrying for
                               SECONDS), writes what it reads to OUT until the far end closes
                               or SECONDS have passed since the first try
  same-state A B               the two JSON states are equal but for what the settings file
                               sets (the clock switch, the tuner's label), which velsor-decode
                               does not read
  stretch PART WHOLE           PART is a non-empty stretch of WHOLE, byte for byte
  guide FILE                   FILE is UTF-8 with a byte-order mark and CR LF line ends only
  scale-run OUT SCALE REF      a run of analyzer-run's pictures at a display scale: every
                               window of a designed size drawn at SCALE times its size in REF
                               (the 100 % run's folder), nothing cut in any window or message
                               box, the question's buttons in Japanese (OUT: what the run said,
                               beside its pictures)

Each prints one line and exits 1 when the check fails."""
import json
import os
import socket
import struct
import sys
import time

SETTINGS_FIELDS = {("state", "ClockSetDone"), ("form", "Label14")}


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    return struct.unpack(">II", head[16:24])


def without_settings(state):
    for outer, inner in SETTINGS_FIELDS:
        state.get(outer, {}).pop(inner, None)
    return state


def main(args):
    cmd = args[0] if args else ""
    if cmd == "free-port":
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        print(s.getsockname()[1])
        return 0
    if cmd == "client":
        port, out, seconds = int(args[1]), args[2], float(args[3])
        deadline = time.time() + seconds
        while True:
            try:
                conn = socket.create_connection(("127.0.0.1", port), timeout=1)
                break
            except OSError:
                if time.time() > deadline:
                    print("client: nothing listens on port %d" % port)
                    return 1
                time.sleep(0.1)
        got = bytearray()
        conn.settimeout(0.5)
        while time.time() < deadline:
            try:
                data = conn.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                break
            if not data:
                break
            got += data
        with open(out, "wb") as f:
            f.write(got)
        print("client: %d bytes" % len(got))
        return 0
    if cmd == "same-state":
        with open(args[1]) as a, open(args[2]) as b:
            try:
                sa, sb = without_settings(json.load(a)), without_settings(json.load(b))
            except ValueError as e:
                print("same-state: not JSON: %s" % e)
                return 1
        if sa != sb:
            for key in sorted(set(sa.get("state", {})) | set(sb.get("state", {}))):
                if sa.get("state", {}).get(key) != sb.get("state", {}).get(key):
                    print("same-state: state.%s differs" % key)
                    break
            else:
                print("same-state: the states differ")
            return 1
        if not sa.get("line"):
            print("same-state: nothing decoded")
            return 1
        print("same-state: %d lines decoded alike" % sa["line"])
        return 0
    if cmd == "stretch":
        with open(args[1], "rb") as a, open(args[2], "rb") as b:
            part, whole = a.read(), b.read()
        ok = len(part) > 0 and part in whole
        print("stretch: %d of %d bytes%s" % (len(part), len(whole), "" if ok else ", not a stretch"))
        return 0 if ok else 1
    if cmd == "guide":
        with open(args[1], "rb") as f:
            data = f.read()
        problems = []
        if not data.startswith(b"\xef\xbb\xbf"):
            problems.append("no byte-order mark")
        try:
            data.decode("utf-8")
        except UnicodeDecodeError:
            problems.append("not UTF-8")
        if data.replace(b"\r\n", b"").count(b"\n") or data.replace(b"\r\n", b"").count(b"\r"):
            problems.append("a line end other than CR LF")
        print("guide: " + (", ".join(problems) if problems else "%d bytes, UTF-8 with BOM, CR LF"
                           % len(data)))
        return 1 if problems else 0
    if cmd == "scale-run":
        out, scale, ref = args[1], float(args[2]), args[3]
        folder = os.path.dirname(out)
        with open(out, encoding="utf-8", errors="replace") as f:
            said = [line.strip() for line in f]
        problems = [line for line in said if line.startswith("cut ") and not line.endswith(": none")]
        problems += [line for line in said if line.startswith("no-window")]
        buttons = [line for line in said if line.startswith("question-buttons")]
        if buttons != ["question-buttons いいえ(N) はい(Y)"]:
            problems.append("question buttons: %s" % (buttons or "none said"))
        names = sorted(n for n in os.listdir(ref) if n.endswith(".png"))
        if len(names) < 8:
            problems.append("only %d pictures at 100 %%" % len(names))
        for name in names:
            path = os.path.join(folder, name)
            if not os.path.exists(path):
                problems.append("no %s" % name)
                continue
            if name.startswith(("question", "notice")):
                continue  # a message box is as large as its text, which scales by font metrics
            w0, h0 = png_size(os.path.join(ref, name))
            w, h = png_size(path)
            # Pixel rounding of the scaled geometry, and the frame of a window of its own size.
            if abs(w - w0 * scale) > 2 + scale or abs(h - h0 * scale) > 2 + scale:
                problems.append("%s is %dx%d, not %g x %dx%d" % (name, w, h, scale, w0, h0))
        print("%s: %s" % (os.path.basename(folder), "; ".join(problems) if problems else
                            "%d windows at %g times their size, nothing cut, はい / いいえ"
                            % (len(names), scale)))
        return 1 if problems else 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
