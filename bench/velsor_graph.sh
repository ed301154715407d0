#!/bin/bash
# velsor-graph -o week.png as a whole process, on a week of records (3,360): the best, median
# and worst of N runs. Usage: velsor_graph.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?build directory}
runs=${2:-20}
tool=$build/apps/velsor-graph
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$(dirname "$0")/../scripts/make-week-log.py" "$work/week.LOG" 3360
"$tool" -o "$work/week.png" "$work/week.LOG" 2>/dev/null # warm the page cache
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$tool" -o "$work/week.png" "$work/week.LOG" 2>/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
done | sort -n | awk -v runs="$runs" '
    { t[NR] = $1 }
    END { printf "velsor-graph -o week.png, %d runs: best %d ms, median %d ms, worst %d ms\n",
                 runs, t[1], t[int((NR + 1) / 2)], t[NR] }'
