#!/bin/bash
# Wall time and peak memory of the loaders on 200 MB files that are no records: one line for the
# history reader (velsor-graph --json), and only "Stopped." lines or one line for replay
# (velsor-decode --replay). Usage: long_lines.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
build=${1:?build directory}
mb=${2:-200}
. "$(dirname "$0")/lib.sh"
python3 - "$work" "$mb" <<'PY'
import sys
work, mb = sys.argv[1], int(sys.argv[2])
size = mb * 1024 * 1024
open(f"{work}/oneline.LOG", "wb").write(b"1,02/03/04 12:00,7,11,3," + b"x" * size)
open(f"{work}/oneline.CSV", "wb").write(b"S\r\n" + b"x" * size)
stop = b"2026/12/07 9:00:00(JST) Stopped.\r\n"
open(f"{work}/stops.CSV", "wb").write(b"S\r\n" + stop * (size // len(stop)))
PY
measure() {
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || true
    read -r secs kb < <(tail -1 "$work/time")
    printf '%-28s %6.2f s  %7d KiB peak\n' "$name" "$secs" "$kb"
}
echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), ${mb} MB files"
measure "velsor-graph one line" "$build/apps/velsor-graph" --json "$work/oneline.LOG"
measure "replay one line" "$build/apps/velsor-decode" --replay "$work/oneline.CSV"
measure "replay Stopped. lines" "$build/apps/velsor-decode" --replay "$work/stops.CSV"
