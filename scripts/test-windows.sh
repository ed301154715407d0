#!/usr/bin/env bash
# The Windows build's tests under wine, in a wine prefix of the build's own (WIN_BUILD/wine),
# with one Xvfb display for the run (Qt under wine needs an X display even offscreen):
#   1. the test programs (no display of their own): test_nav, test_decoding, and
#      test_platform_win with COM1 and COM2 linked to the two ends of a socat pair;
#   2. velsor-decode.exe from the zip's folder against the Linux velsor-decode over every
#      shared capture: byte-identical JSON;
#   3. the program from the zip's folder shows its main window (a screenshot is kept in
#      WIN_BUILD/main-window-windows.png);
#   4. a serial round trip: COM1 -> a socat pseudo-terminal fed by the Linux velsor-sim; the
#      program connects, receives, records and stops; the recording replays the same with
#      the Linux and the Windows velsor-decode --replay.
# usage: scripts/test-windows.sh [WIN_BUILD] [LINUX_BUILD]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
wbuild="$(cd "${1:-build-windows}" && pwd)"
lbuild="$(cd "${2:-build}" && pwd)"
qt="$(bash "$repo/scripts/qt-windows-prefix.sh")"
dist="$repo/dist/velsor-gps-analyzer-windows-x64"
data="${VELSOR_SHARED_DATA:-$repo/../shared/data}"
[ -d "$data/nmea" ] || data="$repo/tests/data"
gccdir="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"

export WINEPREFIX="$wbuild/wine" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them, and they would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
work="$(mktemp -d)"
pids=()
failures=0
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# One X display for the whole run.
exec 5> "$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "making the wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
# One wine server for the run: each program then starts in about a second, not several.
wineserver -p >/dev/null 2>&1 || true # already running after wineboot: fine
winpath() { winepath -w "$1" 2>/dev/null; }
# The test programs in the build tree find Qt and the MinGW runtime through WINEPATH.
export WINEPATH="$(winpath "$qt/bin");$(winpath "$gccdir");$(winpath /usr/x86_64-w64-mingw32/lib)"

# A socat pair: $1 and $2 become the two ends.
pty_pair() {
  socat "pty,raw,echo=0,link=$1" "pty,raw,echo=0,link=$2" &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$1" ] && [ -e "$2" ] && return 0; sleep 0.1; done
  return 1
}
# Up to a minute for FILE to appear, as long as process PID runs.
wait_for_file() {
  for _ in $(seq 600); do
    [ -e "$1" ] && return 0
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# Wine's mount manager rewrites the comN links at every start of the wine server (com1 ->
# /dev/ttyS0) unless the registry names the device: do both.
com_link() {
  ln -sfn "$2" "$WINEPREFIX/dosdevices/com$1"
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /d "$2" /f >/dev/null 2>&1
}

echo "== 1. test programs under wine"
# COM1 and COM2: the two ends of one socat pair. COM3: a pseudo-terminal fed by velsor-sim
# with a real capture; the test records what arrives, then the far side goes away.
pty_pair "$work/pair1" "$work/pair2"
com_link 1 "$work/pair1"
com_link 2 "$work/pair2"
for t in test_nav test_decoding; do
  if (cd "$wbuild/tests" && wine "./$t.exe" --gtest_brief=1 > "$work/$t.out" 2>&1); then
    pass "$t: $(grep -E '^\[  (PASSED|SKIPPED) ' "$work/$t.out" | tr -d '\r' | tr '\n' ' ')"
  else
    cat "$work/$t.out"
    fail "$t"
  fi
done
capture="$data/nmea/layout0/$(ls "$data/nmea/layout0" | grep '\.log$' | head -1)"
socat "pty,raw,echo=0,link=$work/com3" "pty,raw,echo=0,link=$work/tuner" &
feed=$!
pids+=($feed)
for _ in $(seq 50); do [ -e "$work/com3" ] && [ -e "$work/tuner" ] && break; sleep 0.1; done
com_link 3 "$work/com3"
"$lbuild/apps/sim/velsor-sim" --device "$work/tuner" --tuner 0 --replay "$capture" \
  --seconds 120 > "$work/sim.out" 2>&1 &
sim=$!
pids+=($sim)
(cd "$wbuild/tests" && VELSOR_TEST_COM_PAIR=1 VELSOR_TEST_SIM_COM=3 \
   VELSOR_TEST_SIM_RECORD="$(winpath "$work/live.bin")" \
   timeout 120 wine ./test_platform_win.exe > "$work/test_platform_win.out" 2>&1) &
tester=$!
wait_for_file "$work/live.bin.done" "$tester" || true
# The receiver goes away: its pseudo-terminal closes under the open port.
kill "$sim" "$feed" 2>/dev/null || true
if wait "$tester"; then
  pass "test_platform_win: $(tail -1 "$work/test_platform_win.out")"
else
  cat "$work/test_platform_win.out"
  fail "test_platform_win"
fi
# What arrived on COM3 is a stretch of the capture, byte for byte, and decodes the same on
# both builds.
if [ -s "$work/live.bin" ] &&
   python3 -c 'import sys; sys.exit(open(sys.argv[1],"rb").read() not in open(sys.argv[2],"rb").read()*2)' \
     "$work/live.bin" "$capture"; then
  "$lbuild/apps/velsor-decode" < "$work/live.bin" > "$work/live-linux.json" 2>&1 || true
  wine "$dist/velsor-decode.exe" < "$work/live.bin" > "$work/live-windows.json" 2>&1 || true
  if cmp -s "$work/live-linux.json" "$work/live-windows.json"; then
    pass "COM3 live data: $(stat -c %s "$work/live.bin") bytes of the capture, unchanged; decoded the same on Linux"
  else
    fail "COM3 live data decodes differently"
  fi
else
  fail "COM3 live data is not a stretch of the capture"
fi

echo "== 2. velsor-decode.exe against the Linux build on every capture"
captures=0
mismatches=0
while IFS= read -r f; do
  captures=$((captures + 1))
  "$lbuild/apps/velsor-decode" < "$f" > "$work/linux.json" 2>&1 || true
  wine "$dist/velsor-decode.exe" < "$f" > "$work/windows.json" 2>&1 || true
  if ! cmp -s "$work/linux.json" "$work/windows.json"; then
    mismatches=$((mismatches + 1))
    echo "differs: $f"
    diff <(head -c 2000 "$work/linux.json") <(head -c 2000 "$work/windows.json") | head -10
  fi
done < <(find "$data/nmea" "$data/nmea-gnss" -name '*.log' 2>/dev/null | sort)
if [ "$captures" -gt 0 ] && [ "$mismatches" -eq 0 ]; then
  pass "velsor-decode.exe: the same JSON on $captures captures"
else
  fail "velsor-decode.exe: $mismatches of $captures captures differ"
fi

# A Qt6Widgets.dll whose import table cannot be read (left so by a strip of the prefix)
# loads nowhere, Windows or wine: the window steps cannot run.
if ! x86_64-w64-mingw32-objdump -p "$dist/Qt6Widgets.dll" | grep -c 'DLL Name' >/dev/null; then
  echo "SKIP: steps 3 and 4 (the program's window and its serial round trip): Qt6Widgets.dll"
  echo "  in $qt is damaged (no readable import table); no Qt Widgets program starts with it."
  echo "  Rebuild the prefix with scripts/build-qt-windows.sh."
  skipped_gui=1
else
  skipped_gui=0
fi
if [ "$skipped_gui" -eq 0 ]; then
echo "== 3. the main window under wine"
run="$work/program"
cp -r "$dist" "$run"
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n' > "$run/GPSMN.INI"
wine "$run/velsor-gps-analyzer.exe" > "$work/program.out" 2>&1 &
program=$!
pids+=($program)
window=""
for _ in $(seq 300); do
  window="$(xdotool search --onlyvisible --classname 'velsor-gps-analyzer.exe' 2>/dev/null |
            tail -1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -n "$window" ]; then
  sleep 2 # let it paint
  import -window "$window" "$wbuild/main-window-windows.png"
  pass "main window shown ($(xdotool getwindowname "$window")), screenshot in $wbuild/main-window-windows.png"
else
  cat "$work/program.out"
  fail "no main window"
fi
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true

echo "== 4. serial round trip: COM1 -> socat -> velsor-sim"
pty_pair "$work/com1-program" "$work/tuner-program"
com_link 1 "$work/com1-program"
# Sentences of now: a snapshot is taken in a minute divisible by three when the GGA's minute is
# the PC's (at most about four minutes of them, see below).
"$lbuild/apps/sim/velsor-sim" --device "$work/tuner-program" --tuner 0 --seconds 360 \
  > "$work/sim.out" 2>&1 &
sim=$!
pids+=($sim)
rm -f "$wbuild/tests/GPSMN.INI"
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n' \
  > "$wbuild/tests/GPSMN.INI"
# A recording never takes its first snapshot in the minute it starts in, if that is a slot
# minute: it needs a tick of another minute first. So the run lasts into the next slot minute,
# or the one after when it would start too close to it for a tick before (wine's start-up
# takes seconds).
into_slot=$(( $(date +%s) % 180 ))
run_s=$(( 180 - into_slot + 20 ))
if [ "$into_slot" -gt 160 ]; then run_s=$(( run_s + 180 )); fi
echo "  recording for about $run_s s, into the next minute of a snapshot"
start_ms=$(date +%s%3N)
(cd "$wbuild/tests" && VELSOR_RUN_RECORD="$(winpath "$work/rec.txt")" VELSOR_RUN_MS=$((run_s * 1000)) \
   timeout $((run_s + 120)) wine ./analyzer-run.exe 2>&1 | tr -d '\r' > "$work/run.out") &
run=$!
# A picture of the window with live data, once the recording has begun.
wait_for_file "$work/rec.txt" "$run" || true
if [ -e "$work/rec.txt" ]; then
  sleep 3
  window="$(xdotool search --onlyvisible --classname 'analyzer-run.exe' 2>/dev/null | tail -1 || true)"
  [ -n "$window" ] && import -window "$window" "$wbuild/main-window-windows-live.png" &&
    echo "  a screenshot with live data: $wbuild/main-window-windows-live.png"
fi
wait "$run" || echo "  analyzer-run.exe ended with status $?"
sed -n 's/^\(..*\)$/  \1/p' "$work/run.out"
paint_ms=$(sed -n 's/^first-paint-epoch-ms //p' "$work/run.out" | head -1)
# The Linux build of the same program on the same display, for the start-up figure beside it.
ldir="$work/linux-program"
mkdir -p "$ldir/ports"
cp "$lbuild/tests/analyzer-run" "$ldir/"
pty_pair "$ldir/ports/COM1" "$work/tuner-linux"
"$lbuild/apps/sim/velsor-sim" --device "$work/tuner-linux" --tuner 0 --seconds 60 \
  > /dev/null 2>&1 &
pids+=($!)
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n' > "$ldir/GPSMN.INI"
lstart_ms=$(date +%s%3N)
VELSOR_RUN_RECORD="$work/rec-linux.txt" VELSOR_RUN_MS=1000 timeout 60 "$ldir/analyzer-run" \
  > "$work/run-linux.out" 2>&1 || true
lpaint_ms=$(sed -n 's/^first-paint-epoch-ms //p' "$work/run-linux.out" | head -1)
[ -n "$paint_ms" ] && [ -n "$lpaint_ms" ] &&
  echo "  start-up to first paint: $((paint_ms - start_ms)) ms under wine, $((lpaint_ms - lstart_ms)) ms on Linux"
if grep -q '^connected' "$work/run.out" && grep -q '^recording$' "$work/run.out" &&
   grep -q '^stopped' "$work/run.out" && [ "$(grep -c '^\$GPGGA' "$work/rec.txt")" -ge 1 ] &&
   [ "$(sed -n 's/^received-bytes //p' "$work/run.out")" -gt 0 ] && [ -s "$work/rec.txt" ]; then
  "$lbuild/apps/velsor-decode" --replay "$work/rec.txt" > "$work/replay-linux.json" 2>&1 || true
  wine "$dist/velsor-decode.exe" --replay "$(winpath "$work/rec.txt")" \
    > "$work/replay-windows.json" 2>&1 || true
  if cmp -s "$work/replay-linux.json" "$work/replay-windows.json" &&
     grep -q '"' "$work/replay-linux.json"; then
    pass "connected, received, recorded $(wc -l < "$work/rec.txt") lines, stopped; the recording replays the same on Linux"
  else
    head -c 600 "$work/replay-linux.json"; echo
    head -c 600 "$work/replay-windows.json"; echo
    fail "the recording replays differently"
  fi
else
  sed 's/^/  velsor-sim: /' "$work/sim.out"
  [ -f "$work/rec.txt" ] && head -c 400 "$work/rec.txt" | sed 's/^/  recording: /'
  fail "serial round trip"
fi
rm -f "$wbuild/tests/GPSMN.INI"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures Windows check(s) failed"
  exit 1
fi
echo "all Windows checks passed"
