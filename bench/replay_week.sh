#!/usr/bin/env bash
# velsor-decode --replay over a week of recording (3,360 snapshots) as a whole process: start,
# load, show block 0, print, exit. The GT-74/77's five-line blocks and the by-fields model's whole
# epochs (the simulated multi-GNSS receiver). Goal: at most 100 ms. Peak memory beside it.
# usage: bench/replay_week.sh BUILD_DIR [RUNS]   (a Release build with make-sky-recording)
set -euo pipefail
build=${1:?usage: bench/replay_week.sh BUILD_DIR [RUNS]}
runs=${2:-20}
tool=$build/apps/velsor-decode
. "$(dirname "$0")/lib.sh"
"$build/bench/make-sky-recording" "$work/blocks.CSV" 3360
"$build/bench/make-sky-recording" --gnss "$work/epochs.CSV" 3360
status=0
for kind in blocks epochs; do
    file=$work/$kind.CSV
    "$tool" --replay "$file" >/dev/null # warm the page cache
    times=()
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s%N)
        "$tool" --replay "$file" >/dev/null
        times+=($((($(date +%s%N) - start) / 1000000)))
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    median=${sorted[$((runs / 2))]}
    peak=$(/usr/bin/time -f %M "$tool" --replay "$file" 2>&1 >/dev/null | tail -1)
    verdict=ok
    if ((median > 100)); then
        verdict="OVER 100 ms"
        status=1
    fi
    printf '%-6s %8d bytes  median %4d ms  best %4d ms  worst %4d ms  peak RSS %6d KB  %s\n' \
        "$kind" "$(wc -c <"$file")" "$median" "${sorted[0]}" "${sorted[$((runs - 1))]}" "$peak" \
        "$verdict"
done
exit $status
