#!/usr/bin/env bash
# Soak: the monitor connected through a socat pair, recording and forwarding on (the forwarded
# bytes drained and counted on the far end), fed 24 hours' worth of 9600-baud NMEA
# (24 h x 960 B/s = 82,944,000 bytes of real captures, looped) as fast as the pseudo-terminal
# takes it. Before the flood a minute of simulated receiver output at line rate sets the
# baseline; after it, a while more at line rate lets the recording take its three-minute
# snapshots. Resident memory is sampled throughout. At the end the window must still answer a
# key press: Ctrl+Q, sent through the X server, must end the program within 10 s.
# The monitor is set to the model that reads what it is fed, so it has nothing to ask: TUNER=2
# (default) 汎用 NMEA 0183 with every real capture, TUNER=0 the GT-74/77 with the captures of
# its layout (tests/data/nmea/layout0). Every wait is bounded: a run that stalls fails, with a
# screenshot of the display in the build folder (soak-failure.png).
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
tuner=${TUNER:-2}
case "$tuner" in
0) captures=("$here"/tests/data/nmea/layout0/*.log) ;;
2) captures=("$here"/tests/data/nmea/*/*.log "$here"/tests/data/nmea-gnss/*.log) ;;
*) echo "TUNER must be 0 or 2: no real capture has the CFGPS layout"; exit 2 ;;
esac
for tool in socat xdotool import timeout; do
    command -v "$tool" >/dev/null || { echo "missing $tool (run: make deps)"; exit 2; }
done

. "$here/bench/lib.sh"
leftovers=("$progdir/ports/COM1" "$progdir/ports/COM3")

wait_for() { for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }
fail() {
    echo "$1"
    import -window root "$build/soak-failure.png" 2>/dev/null &&
        echo "the display at that moment: $build/soak-failure.png"
    [ -s "$work/program.err" ] && { echo "the monitor said:"; cat "$work/program.err"; }
    exit 1
}

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
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=%s\r\n[Time]=0\r\n[Baud]=9600\r\n' \
    "$tuner" > "$progdir/GPSMN.INI"

VELSOR_SOAK_FORWARD=3 VELSOR_SOAK_RECORD="$work/soak.CSV" "$program" 2> "$work/program.err" &
pp=$!
pids+=($pp)
for _ in $(seq 100); do
    grep -q '^recording' "$work/program.err" 2>/dev/null && break
    sleep 0.1
done
for word in connected forwarding recording; do
    grep -qx "$word" "$work/program.err" || fail "the monitor did not report: $word"
done

t0=$(now_ms)
samples="$work/rss"
: > "$samples"
# Samples every 0.1 s while the given process runs, for at most $2 seconds.
sample_while() {
    local deadline=$(( $(now_ms) + $2 * 1000 ))
    while kill -0 "$1" 2>/dev/null; do
        kill -0 "$pp" 2>/dev/null || fail "the monitor ended during the run"
        [ "$(now_ms)" -lt "$deadline" ] || fail "$3 did not end within $2 s"
        echo "$(( $(now_ms) - t0 )) $(rss_kb "$pp")" >> "$samples"
        sleep 0.1
    done
}
at_line_rate() {
    "$sim" --device "$work/tuner" --tuner "$tuner" --baud 9600 --seconds "$1" &
    local s=$!
    pids+=($s)
    sample_while "$s" $(( $1 + 30 )) "the simulated receiver"
}

at_line_rate "$warm"
base_ms=60000

# Real captures, looped to the size of the run, as fast as the pseudo-terminal takes them.
base="$work/base.nmea"
cat "${captures[@]}" > "$base"
f0=$(now_ms)
( while cat "$base"; do :; done ) | head -c "$bytes" > "$work/tuner" &
feeder=$!
pids+=($feeder)
# A monitor that stops reading holds the writer up: an hour is far beyond any healthy run.
sample_while "$feeder" 3600 "the flood"
f1=$(now_ms)

at_line_rate "$tail_s"
t1=$(now_ms)
kill -0 "$pp" 2>/dev/null || fail "the monitor ended during the run"
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pp/status")

# Responsive at the end: Ctrl+Q through the X server ends the program.
wid=$(timeout 10 xdotool search --pid "$pp" --name '^Velsor GPS Analyzer$' | head -1) || true
[ -n "$wid" ] || fail "no window of the monitor found"
k0=$(now_ms)
timeout 10 xdotool windowactivate --sync "$wid" 2>/dev/null ||
    timeout 10 xdotool windowfocus --sync "$wid" || true
timeout 10 xdotool key --clearmodifiers ctrl+q || true
answered=no
for _ in $(seq 100); do
    kill -0 "$pp" 2>/dev/null || { answered=yes; break; }
    sleep 0.1
done
k1=$(now_ms)
[ "$answered" = yes ] || fail "the window did not answer Ctrl+Q within 10 s"
wait "$pp" 2>/dev/null || true # it has ended: this returns at once
kill "$counter" 2>/dev/null || true # its counter then reports
for _ in $(seq 50); do [ -s "$work/forwarded" ] && break; sleep 0.1; done

# A run shorter than a minute takes its baseline at its first tenth instead.
if [ $(( t1 - t0 )) -lt 60000 ]; then base_ms=$(( (t1 - t0) / 10 )); fi
read -r base_rss peak_rss < <(awk -v b="$base_ms" '
    $1 >= b && !seen { base = $2; seen = 1 }
    seen && $2 > peak { peak = $2 }
    END { print base, peak }' "$samples")
flood_s=$(( (f1 - f0) / 1000 ))
echo "run:             $(( (t1 - t0) / 1000 )) s: ${warm} s at line rate, the flood, ${tail_s} s at line rate (tuner $tuner)"
echo "flood:           $bytes bytes in $flood_s s ($(( bytes / 1024 / (flood_s > 0 ? flood_s : 1) )) KB/s)"
echo "forwarded:       $(cat "$work/forwarded" 2>/dev/null || echo '?') bytes;" \
    "$(grep forward-dropped "$work/program.err" || echo 'no drop count')"
echo "recorded:        $(grep -c '^\$..GGA' "$work/soak.CSV" || true) snapshots," \
    "$(wc -c < "$work/soak.CSV") bytes"
echo "RSS:             $(head -1 "$samples" | cut -d' ' -f2) KB at start," \
    "$base_rss KB after $(( base_ms / 1000 )) s, peak $peak_rss KB (high-water mark $hwm KB)"
echo "Ctrl+Q answered: $answered in $(( k1 - k0 )) ms"
echo "peak RSS growth: $(( peak_rss - base_rss )) KB"
