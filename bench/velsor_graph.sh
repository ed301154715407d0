#!/bin/bash
# velsor-graph -o week.png as a whole process, on a week of records (3,360) of a GPS-only and of
# a four-system receiver: the best, median and worst of N runs. Goal: 300 ms.
# Usage: velsor_graph.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?build directory}
runs=${2:-20}
tool=$build/apps/velsor-graph
. "$(dirname "$0")/lib.sh"
for kind in gps gnss; do
    # A GPS-only week (counts within 10) and a four-system one (26 to 40 satellites).
    python3 "$(dirname "$0")/../scripts/make-week-log.py" $([ $kind = gnss ] && echo --gnss) \
        "$work/week.LOG" 3360
    "$tool" -o "$work/week.png" "$work/week.LOG" 2>/dev/null # warm the page cache
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$tool" -o "$work/week.png" "$work/week.LOG" 2>/dev/null
        end=$(date +%s%N)
        echo $(((end - start) / 1000000))
    done | sort -n | awk -v runs="$runs" -v kind="$kind" '
        { t[NR] = $1 }
        END { printf "velsor-graph -o week.png (%s week), %d runs: best %d ms, median %d ms, worst %d ms\n",
                     kind, runs, t[1], t[int((NR + 1) / 2)], t[NR] }'
done
