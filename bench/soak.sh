#!/usr/bin/env bash
# Soak: the monitor connected through a socat pair, recording and forwarding on (the forwarded
# bytes drained and counted on the far end), fed 24 hours' worth of 9600-baud NMEA
# (24 h x 960 B/s = 82,944,000 bytes of real captures, looped) as fast as the pseudo-terminal
# takes it. Before the flood a minute of simulated receiver output at line rate sets the
# baseline; after it, a while more at line rate lets the recording take its three-minute
# snapshots. Resident memory is sampled throughout. At the end the window must still answer a
# key press: Ctrl+Q, sent through the X server, must end the program within 10 s.
# The last line reads "peak RSS growth: N KB": the highest RSS from the baseline on minus the
# RSS at the baseline (after the first minute, or after the first tenth of a run shorter than
# a minute).
# usage: bench/soak.sh [build dir] [bytes] [warm-up s] [tail s]
#        (run under xvfb-run -a; `make soak` builds and does both)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-release}
bytes=${2:-82944000}
warm=${3:-60}
tail_s=${4:-130}
progdir="$build/bench"
program="$progdir/bench-monitor-app"
sim="$build/apps/sim/velsor-sim"
for f in "$program" "$sim"; do
    [ -x "$f" ] || { echo "missing $f (run: make soak)"; exit 2; }
done
[ -n "${DISPLAY:-}" ] || { echo "no display: run under xvfb-run -a"; exit 2; }
for tool in socat xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (run: make deps)"; exit 2; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -f "$progdir/ports/COM1" "$progdir/ports/COM3"
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

wait_for() { for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }
now_ms() { date +%s%3N; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }

# COM1: the receiver's pair. COM3: the forwarding port, its far end counted and thrown away.
mkdir -p "$progdir/ports"
rm -f "$progdir/ports/COM1" "$progdir/ports/COM3"
socat pty,raw,echo=0,link="$progdir/ports/COM1" pty,raw,echo=0,link="$work/tuner" &
pids+=($!)
socat -u pty,raw,echo=0,link="$progdir/ports/COM3" SYSTEM:"wc -c > $work/forwarded" &
counter=$!
pids+=($counter)
wait_for "$progdir/ports/COM1" && wait_for "$work/tuner" && wait_for "$progdir/ports/COM3"
# Hold the receiver's end open so the pair outlives each writer.
exec 3<>"$work/tuner"
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n' > "$progdir/GPSMN.INI"

VELSOR_SOAK_FORWARD=3 VELSOR_SOAK_RECORD="$work/soak.CSV" "$program" 2> "$work/program.err" &
pp=$!
pids+=($pp)
for _ in $(seq 100); do
    grep -q '^recording' "$work/program.err" 2>/dev/null && break
    sleep 0.1
done
for word in connected forwarding recording; do
    grep -qx "$word" "$work/program.err" || { echo "the monitor did not report: $word"
        cat "$work/program.err"; exit 1; }
done

t0=$(now_ms)
samples="$work/rss"
: > "$samples"
# Samples every 0.1 s while the given process runs.
sample_while() {
    while kill -0 "$1" 2>/dev/null; do
        kill -0 "$pp" 2>/dev/null || { echo "the monitor ended during the run"
            cat "$work/program.err"; exit 1; }
        echo "$(( $(now_ms) - t0 )) $(rss_kb "$pp")" >> "$samples"
        sleep 0.1
    done
}
at_line_rate() {
    "$sim" --device "$work/tuner" --tuner 1 --seconds "$1" &
    local s=$!
    pids+=($s)
    sample_while "$s"
}

at_line_rate "$warm"
base_ms=60000

# Real captures, looped to the size of the run, as fast as the pseudo-terminal takes them.
base="$work/base.nmea"
cat "$here"/tests/data/nmea/*/*.log > "$base"
f0=$(now_ms)
( while :; do cat "$base"; done ) | head -c "$bytes" > "$work/tuner" &
feeder=$!
pids+=($feeder)
sample_while "$feeder"
f1=$(now_ms)

at_line_rate "$tail_s"
t1=$(now_ms)
kill -0 "$pp" 2>/dev/null || { echo "the monitor ended during the run"; exit 1; }
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pp/status")

# Responsive at the end: Ctrl+Q through the X server ends the program.
wid=$(xdotool search --pid "$pp" --name '^Velsor GPS Analyzer$' | head -1)
k0=$(now_ms)
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key --clearmodifiers ctrl+q
answered=no
for _ in $(seq 100); do
    kill -0 "$pp" 2>/dev/null || { answered=yes; break; }
    sleep 0.1
done
k1=$(now_ms)
wait "$pp" 2>/dev/null || true
kill "$counter" 2>/dev/null || true # its counter then reports
for _ in $(seq 50); do [ -s "$work/forwarded" ] && break; sleep 0.1; done

# A run shorter than a minute takes its baseline at its first tenth instead.
if [ $(( t1 - t0 )) -lt 60000 ]; then base_ms=$(( (t1 - t0) / 10 )); fi
read -r base_rss peak_rss < <(awk -v b="$base_ms" '
    $1 >= b && !seen { base = $2; seen = 1 }
    seen && $2 > peak { peak = $2 }
    END { print base, peak }' "$samples")
flood_s=$(( (f1 - f0) / 1000 ))
echo "run:             $(( (t1 - t0) / 1000 )) s: ${warm} s at line rate, the flood, ${tail_s} s at line rate"
echo "flood:           $bytes bytes in $flood_s s ($(( bytes / 1024 / (flood_s > 0 ? flood_s : 1) )) KB/s)"
echo "forwarded:       $(cat "$work/forwarded" 2>/dev/null || echo '?') bytes;" \
    "$(grep forward-dropped "$work/program.err" || echo 'no drop count')"
echo "recorded:        $(grep -c '^\$GPGGA' "$work/soak.CSV" || true) snapshots," \
    "$(wc -c < "$work/soak.CSV") bytes"
echo "RSS:             $(head -1 "$samples" | cut -d' ' -f2) KB at start," \
    "$base_rss KB after $(( base_ms / 1000 )) s, peak $peak_rss KB (high-water mark $hwm KB)"
echo "Ctrl+Q answered: $answered in $(( k1 - k0 )) ms"
[ "$answered" = yes ] || { echo "the window did not answer"; exit 1; }
echo "peak RSS growth: $(( peak_rss - base_rss )) KB"
