#!/usr/bin/env bash
# A burst over the network source: the monitor reads its receiver with --source tcp://, and the
# far end (a share server catching up after a pause) sends a burst of valid NMEA (real captures,
# looped) as fast as TCP takes it, three seconds after the monitor connected. The monitor
# measures from the burst's first byte until it has taken in all of it: the longest time its
# event loop went without a turn (what a user waits for the window), and its resident memory
# before the burst beside its high-water mark afterwards.
# usage: bench/tcp_burst.sh [build dir] [megabytes ...]   (default: 50 200; tuner 2 settings;
#        TUNER=0|1 for a fixed-position model). Under X when DISPLAY is set, else offscreen.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-release}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(50 200)
tuner=${TUNER:-2}
progdir="$build/bench"
program="$progdir/bench-monitor-app"
[ -x "$program" ] || { echo "missing $program (run: make bench-burst)"; exit 2; }
command -v python3 >/dev/null || { echo "missing python3"; exit 2; }
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen

. "$here/bench/lib.sh"

# The settings the monitor reads beside itself; kept and put back afterwards.
ini="$progdir/GPSMN.INI"
[ -e "$ini" ] && cp "$ini" "$work/GPSMN.INI.kept"
restore_ini() { if [ -e "$work/GPSMN.INI.kept" ]; then cp "$work/GPSMN.INI.kept" "$ini"; else rm -f "$ini"; fi; }
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=%s\r\n[Time]=0\r\n[Baud]=115200\r\n' \
    "$tuner" > "$ini"

captures=("$here"/tests/data/nmea/*/*.log "$here"/tests/data/nmea-gnss/*.log)
cat "${captures[@]}" > "$work/base.nmea"

for mb in "${sizes[@]}"; do
    bytes=$(( mb * 1000 * 1000 ))
    # head ends the loop with SIGPIPE, which pipefail would take for a failure.
    while cat "$work/base.nmea"; do :; done | head -c "$bytes" > "$work/burst.nmea" || true
    [ "$(stat -c %s "$work/burst.nmea")" -eq "$bytes" ] || { echo "cannot build the burst"; exit 2; }
    # The far end: accepts one client, waits while the window settles, sends the burst at
    # once, and keeps the connection open.
    python3 - "$work/burst.nmea" "$work/port" <<'EOF' &
import socket, sys, time
data = open(sys.argv[1], "rb").read()
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1)
open(sys.argv[2], "w").write(str(server.getsockname()[1]))
client, _ = server.accept()
time.sleep(3)
client.sendall(data)
time.sleep(3600)
EOF
    far=$!
    pids+=($far)
    for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
    port=$(cat "$work/port")
    rm -f "$work/port"
    # Bounded: a monitor that never takes the whole burst in is a failed run, not a hang.
    if ! VELSOR_BURST_BYTES=$bytes timeout 600 "$program" --source "tcp://127.0.0.1:$port" \
        2> "$work/program.err"; then
        restore_ini
        echo "the monitor did not finish the ${mb} MB burst:"
        cat "$work/program.err"
        exit 1
    fi
    kill "$far" 2>/dev/null || true
    echo "== ${mb} MB burst, tuner $tuner"
    grep -E "^(burst|longest|RSS)" "$work/program.err" || cat "$work/program.err"
    awk '/^RSS/ {printf "memory growth %d KB\n", $9 - $2}' "$work/program.err"
done
restore_ini
