#!/usr/bin/env bash
# The reception analysis over a long session: the monitor (multi-GNSS model, connected at start)
# fed a simulated week at 1 Hz with 26 to 40 satellites (make-gnss-stream, about 720 MB of
# NMEA, 24 million satellite sightings) as fast as the pseudo-terminal takes it. Resident
# memory is sampled throughout; at the end the window must still answer Ctrl+Q.
# Prints the RSS at start (connected, before the flood), the peak and the end, and the growth:
# the goal is at most 20 MB above the start. With ANALYSIS=1 the analysis window is open all
# the time (showing the 信号履歴 page) and a picture of each page is kept in OUT_DIR.
# usage: bench/analysis_week.sh [build dir] [seconds of session] [blocked sector]
#        (run under xvfb-run -a; `make bench-analysis` builds and runs it)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-release}
seconds=${2:-604800}
sector=${3:-}
progdir="$build/bench"
program="$progdir/bench-monitor-app"
stream="$progdir/make-gnss-stream"
for f in "$program" "$stream"; do
    [ -x "$f" ] || { echo "missing $f (run: make bench-analysis)"; exit 2; }
done
[ -n "${DISPLAY:-}" ] || { echo "no display: run under xvfb-run -a"; exit 2; }
for tool in socat xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (run: make deps)"; exit 2; }
done

. "$here/bench/lib.sh"
leftovers=("$progdir/ports/COM1")
# The program's window of that exact title (xdotool's --name does not take Japanese patterns).
window_of() {
    for w in $(xdotool search --pid "$1"); do
        [ "$(xdotool getwindowname "$w")" = "$2" ] && { echo "$w"; return; }
    done
}

mkdir -p "$progdir/ports"
rm -f "$progdir/ports/COM1"
socat pty,raw,echo=0,link="$progdir/ports/COM1" pty,raw,echo=0,link="$work/tuner" &
pids+=($!)
for _ in $(seq 100); do [ -e "$progdir/ports/COM1" ] && [ -e "$work/tuner" ] && break; sleep 0.1; done
exec 3<>"$work/tuner" # keeps the pair open between writers
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=115200\r\n' \
    > "$progdir/GPSMN.INI"

VELSOR_OPEN_ANALYSIS=${ANALYSIS:-0} "$program" 2> "$work/program.err" &
pp=$!
pids+=($pp)
for _ in $(seq 100); do grep -q '^connected' "$work/program.err" 2>/dev/null && break; sleep 0.1; done
grep -q '^connected' "$work/program.err" || { echo "the monitor did not connect"; cat "$work/program.err"; exit 1; }
sleep 3
start_rss=$(rss_kb "$pp")
peak=$start_rss
f0=$(now_ms)
c0=$(cpu_ticks "$pp")
"$stream" "$seconds" $sector > "$work/tuner" &
feeder=$!
pids+=($feeder)
while kill -0 "$feeder" 2>/dev/null; do
    kill -0 "$pp" 2>/dev/null || { echo "the monitor ended during the run"; cat "$work/program.err"; exit 1; }
    r=$(rss_kb "$pp"); (( r > peak )) && peak=$r
    sleep 0.2
done
# The last bytes in the pseudo-terminal: wait until the monitor is idle again.
ticks=$(getconf CLK_TCK)
prev=$(cpu_ticks "$pp")
for _ in $(seq 120); do
    sleep 1
    cur=$(cpu_ticks "$pp")
    r=$(rss_kb "$pp"); (( r > peak )) && peak=$r
    (( cur - prev <= ticks / 10 )) && break
    prev=$cur
done
f1=$(now_ms)
end_rss=$(rss_kb "$pp")
cpu_s=$(( ($(cpu_ticks "$pp") - c0) / ticks ))
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pp/status")

if [ -n "${OUT_DIR:-}" ] && [ "${ANALYSIS:-0}" = 1 ]; then
    wid=$(window_of "$pp" 受信解析)
    for page in 0 1 2 3; do
        xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid" || true
        # The tabs: Ctrl+Tab steps to the next page.
        [ "$page" -gt 0 ] && xdotool key --clearmodifiers ctrl+Tab
        sleep 6
        # The window's area of the screen (without a window manager Qt's own window reads
        # as black).
        eval "$(xdotool getwindowgeometry --shell "$wid")"
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
            "$OUT_DIR/analysis-week-$page.png"
    done
fi

wid=$(window_of "$pp" "Velsor GPS Analyzer")
k0=$(now_ms)
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key --clearmodifiers ctrl+q
answered=no
for _ in $(seq 100); do
    kill -0 "$pp" 2>/dev/null || { answered=yes; break; }
    sleep 0.1
done
k1=$(now_ms)

echo "session:         $seconds s of multi-GNSS output fed in $(( (f1 - f0) / 1000 )) s ($cpu_s s of the monitor's CPU)"
echo "analysis window: $([ "${ANALYSIS:-0}" = 1 ] && echo open || echo closed)"
echo "RSS:             $start_rss KB at start, peak $peak KB, $end_rss KB at the end (high-water mark $hwm KB)"
echo "Ctrl+Q answered: $answered in $(( k1 - k0 )) ms"
[ "$answered" = yes ] || { echo "the window did not answer"; exit 1; }
growth=$(( peak - start_rss ))
echo "peak RSS growth: $growth KB (goal: at most 20480 KB)"
(( growth <= 20480 ))
