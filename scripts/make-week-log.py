#!/usr/bin/env python3
"""Writes a plausible week of reception history records (one every three minutes) to a file,
for the graph's benchmark, screenshots and demos: make-week-log.py [--gnss] OUT.LOG [RECORDS].
--gnss: a four-system receiver, 26 to 40 satellites in view instead of a GPS-only 6 to 12."""
import datetime
import math
import random
import sys

args = sys.argv[1:]
gnss = bool(args) and args[0] == "--gnss"
if gnss:
    args = args[1:]
if not args or args[0].startswith("-"):
    sys.exit(__doc__.strip())
out = args[0]
count = int(args[1]) if len(args) > 1 else 3360
rng = random.Random(8)
t = datetime.datetime(2024, 5, 6, 0, 0)
with open(out, "wb") as f:
    for i in range(count):
        hours = i * 3 / 60
        if gnss:
            view = max(26, min(40, round(33 + 5 * math.sin(hours / 12 * math.pi) + rng.gauss(0, 1.5))))
        else:
            view = max(0, min(12, round(9 + 2.5 * math.sin(hours / 12 * math.pi) + rng.gauss(0, 0.8))))
        outage = 900 <= i < 930  # an afternoon with the antenna covered
        if outage:
            view = rng.randint(0, 3)
        used = max(0, min(view, view - rng.randint(0, 3 if not gnss else 10)))
        fix = 3 if used >= 4 else 2 if used == 3 else 1
        if fix == 1:
            used = 0
        f.write(b"%d,%s,%d,%d,%d\r\n" % (t.minute // 3, t.strftime("%y/%m/%d %H:%M").encode(),
                                         used, view, fix))
        t += datetime.timedelta(minutes=3)
