#!/usr/bin/env bash
# The monitor on a simulated receiver: a socat pseudo-terminal pair, velsor-sim on one end,
# ports/COM1 beside the program linked to the other, then the program itself.
# usage: scripts/demo.sh [build dir [program words such as FW LOG REPLAY]]
# TUNER=1 simulates the CFGPS card instead of the GT-74/77, TUNER=2 a current multi-GNSS
# receiver at 115200 baud (the settings file gets [Tuner]=2). WORDS="REPLAY" (or any program
# words) gives the words when none follow the build dir, e.g. WORDS=REPLAY make demo.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shift || true
if [ $# -eq 0 ] && [ -n "${WORDS:-}" ]; then
    read -r -a words <<< "$WORDS"
    set -- "${words[@]}"
fi
tuner=${TUNER:-0}
apps="$build/apps"
program="$apps/velsor-gps-analyzer"
sim="$apps/sim/velsor-sim"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show the window on; run it under Xvfb instead: xvfb-run -a make demo"
    exit 2
fi
[ -x "$program" ] && [ -x "$sim" ] || { echo "not built yet: run make demo"; exit 2; }

source "$here/scripts/simulated-port.sh"
simulated_port_start "$apps" "$sim" "$tuner" --nofix-every 300 --nofix-for 20 \
    --mode2d-every 120 --mode2d-for 15

case "$tuner" in
    1) model='I-O DATA CFGPS' ;;
    2) model='multi-GNSS receiver (GPS, GLONASS, Galileo, BeiDou)' ;;
    *) model='FURUNO GT-74/77' ;;
esac
echo "Simulated $model on COM1."
echo "In the window press Ctrl+S (ﾌｧｲﾙ > 接続 > 接続開始) to connect; Ctrl+Q quits."
case "$*" in *REPLAY*)
    sample=$here/docs/sample-recording.CSV
    [ "$tuner" = 2 ] && sample=$here/docs/sample-recording-gnss.CSV
    echo "Ctrl+Y (ｵﾌﾟｼｮﾝ > 記録再生) replays a recording, e.g. $sample." ;;
esac
"$program" "$@"
