#!/usr/bin/env bash
# velsor-skymap over a week of recording (3,360 three-minute snapshots) as a whole process:
# start, read, draw, exit. Target: at most 200 ms each, for the JSON grid and for a PNG.
# usage: bench/skymap.sh BUILD_DIR [RUNS]   (a Release build with make-sky-recording)
set -euo pipefail
build=${1:?usage: bench/skymap.sh BUILD_DIR [RUNS]}
runs=${2:-20}
tool=$build/apps/velsor-skymap
. "$(dirname "$0")/lib.sh"
"$build/bench/make-sky-recording" "$work/week.CSV" 3360 90-179:40
echo "input: $(wc -c <"$work/week.CSV") bytes, 3360 snapshots"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
status=0
for mode in json png svg; do
    times=()
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s%N)
        if [ "$mode" = json ]; then
            "$tool" --json "$work/week.CSV" >/dev/null
        else
            "$tool" -o "$work/map.$mode" "$work/week.CSV"
        fi
        times+=($((($(date +%s%N) - start) / 1000000)))
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    median=${sorted[$((runs / 2))]}
    worst=${sorted[$((runs - 1))]}
    verdict=ok
    if ((median > 200)); then
        verdict="OVER 200 ms"
        status=1
    fi
    printf '%-5s median %4d ms  worst %4d ms  (%d runs)  %s\n' "$mode" "$median" "$worst" "$runs" "$verdict"
done
exit $status
