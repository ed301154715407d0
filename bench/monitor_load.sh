#!/usr/bin/env bash
# The monitor connected to velsor-sim for a while (60 s by default) beside an empty Qt Widgets
# window with one line of Japanese text running the same two timers, in one run under one X
# server. Prints for both: average CPU share of one core, peak resident memory, and time from
# start to first paint.
# usage: bench/monitor_load.sh [build dir] [seconds] [tuner 0|1|2]   (run under xvfb-run -a)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-release}
seconds=${2:-60}
tuner=${3:-1}
apps="$build/apps"
progdir="$build/bench"
program="$progdir/bench-monitor-app"
sim="$apps/sim/velsor-sim"
empty="$build/bench/bench-empty-window"
for f in "$program" "$sim" "$empty"; do
    [ -x "$f" ] || { echo "missing $f (run: make bench-monitor)"; exit 2; }
done
[ -n "${DISPLAY:-}" ] || { echo "no display: run under xvfb-run -a"; exit 2; }

source "$here/scripts/simulated-port.sh"
simulated_port_start "$progdir" "$sim" "$tuner"
work=$simulated_port_work
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; simulated_port_stop' \
    EXIT INT TERM

ticks=$(getconf CLK_TCK)
now_ms() { date +%s%3N; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
peak_kb() { awk '/VmHWM/ {print $2}' "/proc/$1/status"; }

# The monitor connects at start, as a user pressing Ctrl+S would.
start_p=$(now_ms)
"$program" 2> "$work/program.err" &
pp=$!
pids+=($pp)
start_e=$(now_ms)
"$empty" 2> "$work/empty.err" &
pe=$!
pids+=($pe)

sleep 3 # let both settle before measuring
c0p=$(cpu_ticks "$pp"); c0e=$(cpu_ticks "$pe"); t0=$(now_ms)
sleep "$seconds"
c1p=$(cpu_ticks "$pp"); c1e=$(cpu_ticks "$pe"); t1=$(now_ms)
mp=$(peak_kb "$pp"); me=$(peak_kb "$pe")

paint() { awk '/first-paint-epoch-ms/ {print $2; exit}' "$1"; }
fp=$(( $(paint "$work/program.err") - start_p ))
fe=$(( $(paint "$work/empty.err") - start_e ))
share() { echo "scale=2; 100 * ($2 - $1) / $ticks * 1000 / ($t1 - $t0)" | bc -l; }
sp=$(share "$c0p" "$c1p"); se=$(share "$c0e" "$c1e")
bytes=$(grep -c . "$work/program.err" || true)

printf '%-22s %10s %14s %16s\n' "" "CPU %" "peak RSS (KB)" "first paint (ms)"
printf '%-22s %10s %14s %16s\n' "velsor-gps-analyzer" "$sp" "$mp" "$fp"
printf '%-22s %10s %14s %16s\n' "empty Qt window" "$se" "$me" "$fe"
printf 'memory ratio: %.2f   (%s s at %s baud, tuner %s)\n' "$(echo "$mp / $me" | bc -l)" \
    "$seconds" "$(case $tuner in 0) echo 4800 ;; 1) echo 9600 ;; *) echo 115200 ;; esac)" "$tuner"
if ! grep -q 'connected' "$work/program.err"; then
    echo "warning: the monitor did not report a connection:"; cat "$work/program.err"
fi
