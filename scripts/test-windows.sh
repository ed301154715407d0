#!/usr/bin/env bash
# The Windows build's tests under wine, in a wine prefix of the build's own (WIN_BUILD/wine),
# with one Xvfb display for the run (Qt under wine needs an X display even offscreen):
#   1. the test programs (no display of their own): test_nav, test_decoding, and
#      test_platform_win with COM1 and COM2 linked to the two ends of a socat pair, COM3 fed
#      by velsor-sim, COM9 a port that has gone;
#   2. the zip's folder: Qt's Japanese texts and the guide as Notepad reads it; velsor-decode.exe
#      and velsor-analyze.exe against the Linux build over every shared capture: the same JSON;
#   3. every window and message box of the program (the reception analysis's four pages with
#      them) from the zip's folder at 100 to 200 % (LogPixels 96 to 192), and of the Linux
#      build at the same QT_SCALE_FACTOR: drawn at their scale, nothing cut, a question with
#      はい / いいえ (pictures in WIN_BUILD/scaling);
#   4. a serial round trip: COM1 -> a socat pseudo-terminal fed by the Linux velsor-sim; the
#      program connects, receives, records and stops; the recording replays the same with
#      the Linux and the Windows velsor-decode --replay; start-up to first paint beside Linux;
#   5. the by-fields model over COM1 at 115200 (velsor-sim --tuner 2), shared with
#      --share-nmea and read by a Linux client: the program's state is Linux velsor-decode's of
#      the bytes it received, and the client got a stretch of those bytes;
#   6. --source tcp://127.0.0.1:PORT from velsor-sim --share-nmea: the same state as Linux's.
# Steps 3 to 6 run whenever the Qt prefix is sound, and then count as failures like the others;
# only with a prefix whose Qt6Widgets.dll is damaged are they skipped, with a message.
# usage: scripts/test-windows.sh [WIN_BUILD] [LINUX_BUILD]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
wbuild="$(cd "${1:-build-windows}" && pwd)"
lbuild="$(cd "${2:-build}" && pwd)"
qt="$(bash "$repo/scripts/qt-windows-prefix.sh")"
dist="$repo/dist/velsor-gps-analyzer-windows-x64"
data="${VELSOR_SHARED_DATA:-$repo/../shared/data}"
[ -d "$data/nmea-gnss" ] || data="$repo/tests/data"
gccdir="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"

export WINEPREFIX="$wbuild/wine" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them, and they would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
work="$(mktemp -d)"
# The Linux program's one-instance lock lives in the temporary folder: one of the run's own, so
# that another checkout's program running meanwhile does not stop this one.
mkdir -p "$work/tmp"
linux_tmp="$work/tmp"
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
helper() { python3 "$repo/scripts/test-windows-helpers.py" "$@"; }
# Runs a check that prints one line: ok or FAIL with that line.
check() {
  local said
  if said="$("$@" 2>&1)"; then pass "$said"; else fail "$said"; fi
}

# One X display for the whole run, large enough for the graph window at 200 %.
exec 5> "$work/display"
Xvfb -displayfd 5 -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
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

# Runs a command-line tool under wine, standard input passed on, its output into OUT (with
# --text: CR LF read as LF, as the console writes text). A run that printed nothing at all
# (every tool here prints something, even on an error) is wine not having run the program: it
# is said, with the exit code, and run once more from the same input.
wine_tool() {
  local text=0 out rc input attempt
  [ "$1" = --text ] && { text=1; shift; }
  out="$1"
  shift
  input="$(mktemp -p "$work")"
  cat > "$input"
  for attempt in 1 2; do
    rc=0
    wine "$@" < "$input" > "$out.raw" 2>&1 || rc=$?
    [ -s "$out.raw" ] && break
    if [ "$attempt" -eq 1 ]; then
      echo "note: wine printed nothing for $(basename "$1") ${*:2} (exit $rc); once more"
    fi
  done
  if [ "$text" -eq 1 ]; then tr -d '\r' < "$out.raw" > "$out"; else mv "$out.raw" "$out"; fi
  rm -f "$input" "$out.raw"
}

echo "== 1. test programs under wine"
# COM1 and COM2: the two ends of one socat pair. COM3: a pseudo-terminal fed by velsor-sim
# with a real capture; the test records what arrives, then the far side goes away. COM9: a
# port the system still lists whose device has gone.
pty_pair "$work/pair1" "$work/pair2"
com_link 1 "$work/pair1"
com_link 2 "$work/pair2"
com_link 9 "$work/unplugged"
socat "pty,raw,echo=0,link=$work/com3" "pty,raw,echo=0,link=$work/tuner" &
feed=$!
pids+=($feed)
for _ in $(seq 50); do [ -e "$work/com3" ] && [ -e "$work/tuner" ] && break; sleep 0.1; done
com_link 3 "$work/com3"
# The system's list of ports (SERIALCOMM) is made when wine's mount manager starts: a new wine
# server lists the ports just linked.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p >/dev/null 2>&1
for t in test_nav test_decoding; do
  if (cd "$wbuild/tests" && wine "./$t.exe" --gtest_brief=1 > "$work/$t.out" 2>&1); then
    pass "$t: $(grep -E '^\[  (PASSED|SKIPPED) ' "$work/$t.out" | tr -d '\r' | tr '\n' ' ')"
  else
    cat "$work/$t.out"
    fail "$t"
  fi
done
capture="$data/nmea/layout0/$(ls "$data/nmea/layout0" | grep '\.log$' | head -1)"
"$lbuild/apps/sim/velsor-sim" --device "$work/tuner" --tuner 0 --replay "$capture" \
  --seconds 120 > "$work/sim.out" 2>&1 &
sim=$!
pids+=($sim)
(cd "$wbuild/tests" && VELSOR_TEST_COM_PAIR=1 VELSOR_TEST_SIM_COM=3 VELSOR_TEST_GONE_COM=9 \
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
  wine_tool "$work/live-windows.json" "$dist/velsor-decode.exe" < "$work/live.bin"
  if cmp -s "$work/live-linux.json" "$work/live-windows.json"; then
    pass "COM3 live data: $(stat -c %s "$work/live.bin") bytes of the capture, unchanged; decoded the same on Linux"
  else
    fail "COM3 live data decodes differently"
  fi
else
  fail "COM3 live data is not a stretch of the capture"
fi

echo "== 2. the zip's folder; velsor-decode.exe and velsor-analyze.exe against Linux's on every capture"
if [ -s "$dist/translations/qtbase_ja.qm" ] && cmp -s "$dist/translations/qtbase_ja.qm" \
     /usr/share/qt6/translations/qtbase_ja.qm; then
  pass "Qt's Japanese texts in translations\\qtbase_ja.qm"
else
  fail "no translations\\qtbase_ja.qm in the zip's folder"
fi
check helper guide "$dist/README.txt"
captures=0
mismatches=0
while IFS= read -r f; do
  captures=$((captures + 1))
  "$lbuild/apps/velsor-decode" < "$f" > "$work/linux.json" 2>&1 || true
  wine_tool "$work/windows.json" "$dist/velsor-decode.exe" < "$f"
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

# velsor-analyze.exe: the same figures as Linux's, each capture read by the model it was made
# for (layout0 GT-74/77, layout1 CFGPS) and by the field model.
analyzed=0
mismatches=0
while IFS= read -r f; do
  case "$f" in
    */layout0/*) tuners="0 2" ;;
    */layout1*) tuners="1 2" ;;
    *) tuners="2" ;;
  esac
  for t in $tuners; do
    analyzed=$((analyzed + 1))
    "$lbuild/apps/velsor-analyze" --tuner "$t" --json "$f" > "$work/linux.json" 2>&1 || true
    wine_tool --text "$work/windows.json" "$dist/velsor-analyze.exe" --tuner "$t" --json "$f" </dev/null
    if ! cmp -s "$work/linux.json" "$work/windows.json"; then
      mismatches=$((mismatches + 1))
      echo "differs (--tuner $t): $f"
      diff <(head -c 2000 "$work/linux.json") <(head -c 2000 "$work/windows.json") | head -10
    fi
  done
done < <(find "$data/nmea" "$data/nmea-gnss" -name '*.log' 2>/dev/null | sort)
if [ "$analyzed" -gt 0 ] && [ "$mismatches" -eq 0 ]; then
  pass "velsor-analyze.exe: the same figures on $analyzed readings of the captures"
else
  fail "velsor-analyze.exe: $mismatches of $analyzed readings differ"
fi

# Steps 3 to 6 need Qt Widgets. A prefix whose Qt6Widgets.dll has no readable import table
# (left so by a strip of it) starts no Qt Widgets program, Windows or wine: they are skipped
# then, and only then.
if bash "$repo/scripts/qt-windows-prefix.sh" --sound >/dev/null 2>&1; then
  gui=1
else
  echo "SKIP: steps 3 to 6 (the program's windows, serial and network runs): Qt6Widgets.dll"
  echo "  in $qt is damaged (no readable import table); no Qt Widgets program starts with it."
  echo "  Rebuild the prefix with scripts/build-qt-windows.sh."
  gui=0
fi
if [ "$gui" -eq 1 ]; then
echo "== 3. every window at 100, 125, 150 and 200 %, under wine and on Linux"
# The program's own folder from the zip (Qt's translations beside it), with the test driver.
progdir="$work/program"
cp -r "$dist" "$progdir"
cp "$wbuild/tests/analyzer-run.exe" "$progdir/"
python3 "$repo/scripts/make-week-log.py" "$progdir/week.LOG" 960
{
  printf '2026/12/06 21:04:00(JST) Started.\r\n'
  for n in $(seq 0 29); do
    t=$(printf '%02d%02d00' $((12 + n * 3 / 60)) $((n * 3 % 60)))
    printf '$GPGGA,%s,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n' "$t"
    printf '$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00\r\n'
    printf '$GPGSV,2,1,05,04,45,090,47,05,30,180,42,12,10,200,30,17,60,300,45*00\r\n'
    printf '$GPGSV,2,2,05,20,05,100,20*00\r\n'
    printf '$GPZDA,%s,06,12,2026,00,00*00\r\n' "$t"
  done
  printf '2026/12/07 9:00:00(JST) Stopped.\r\n'
} > "$progdir/rec.CSV"
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n' > "$progdir/GPSMN.INI"
cp "$lbuild/tests/analyzer-run" "$progdir/analyzer-run"
shots="$wbuild/scaling"
rm -rf "$shots"
for pct in 100 125 150 200; do
  scale=$(echo "scale=2; $pct / 100" | bc)
  out="$shots/wine-$pct"
  mkdir -p "$out"
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * pct / 100)) \
    /f >/dev/null 2>&1
  (cd "$progdir" && VELSOR_RUN_SHOTS="$(winpath "$out")" VELSOR_RUN_REPLAY="$(winpath "$progdir/rec.CSV")" \
     VELSOR_RUN_HISTORY="$(winpath "$progdir/week.LOG")" timeout 120 wine ./analyzer-run.exe \
     REPLAY LOG FW 2>&1 | tr -d '\r' > "$out/said.txt") || true
  check helper scale-run "$out/said.txt" "$scale" "$shots/wine-100"
  out="$shots/linux-$pct"
  mkdir -p "$out"
  (cd "$progdir" && TMPDIR="$linux_tmp" QT_SCALE_FACTOR=$scale VELSOR_RUN_SHOTS="$out" VELSOR_RUN_REPLAY="$progdir/rec.CSV" \
     VELSOR_RUN_HISTORY="$progdir/week.LOG" timeout 120 ./analyzer-run REPLAY LOG FW \
     > "$out/said.txt" 2>&1) || true
  check helper scale-run "$out/said.txt" "$scale" "$shots/linux-100"
done
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
echo "  pictures in $shots"

echo "== 4. serial round trip: COM1 -> socat -> velsor-sim"
pty_pair "$work/com1-program" "$work/tuner-program"
com_link 1 "$work/com1-program"
# Sentences of now: a snapshot is taken in a minute divisible by three when the GGA's minute is
# the PC's (at most about four minutes of them, see below).
"$lbuild/apps/sim/velsor-sim" --device "$work/tuner-program" --tuner 0 --seconds 360 \
  > "$work/sim.out" 2>&1 &
sim=$!
pids+=($sim)
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n' > "$progdir/GPSMN.INI"
# A recording never takes its first snapshot in the minute it starts in, if that is a slot
# minute: it needs a tick of another minute first. So the run lasts into the next slot minute,
# or the one after when it would start too close to it for a tick before (wine's start-up
# takes seconds).
into_slot=$(( $(date +%s) % 180 ))
run_s=$(( 180 - into_slot + 20 ))
if [ "$into_slot" -gt 160 ]; then run_s=$(( run_s + 180 )); fi
echo "  recording for about $run_s s, into the next minute of a snapshot"
start_ms=$(date +%s%3N)
(cd "$progdir" && VELSOR_RUN_RECORD="$(winpath "$work/rec.txt")" VELSOR_RUN_MS=$((run_s * 1000)) \
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
TMPDIR="$linux_tmp" VELSOR_RUN_RECORD="$work/rec-linux.txt" VELSOR_RUN_MS=1000 timeout 60 \
  "$ldir/analyzer-run" \
  > "$work/run-linux.out" 2>&1 || true
lpaint_ms=$(sed -n 's/^first-paint-epoch-ms //p' "$work/run-linux.out" | head -1)
# Wine's own start: a QtCore-only program of the zip that does nothing (the best of three).
wine_ms=""
for _ in 1 2 3; do
  t0=$(date +%s%3N)
  wine "$dist/velsor-decode.exe" --help > /dev/null 2>&1 || true
  t=$(( $(date +%s%3N) - t0 ))
  if [ -z "$wine_ms" ] || [ "$t" -lt "$wine_ms" ]; then wine_ms=$t; fi
done
[ -n "$paint_ms" ] && [ -n "$lpaint_ms" ] &&
  echo "  start-up to first paint: $((paint_ms - start_ms)) ms under wine, $((lpaint_ms - lstart_ms)) ms on Linux;" \
       "wine's own start (velsor-decode.exe --help, QtCore only): $wine_ms ms"
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

echo "== 5. the by-fields model over COM1 at 115200, shared with --share-nmea"
pty_pair "$work/com1-gnss" "$work/tuner-gnss"
com_link 1 "$work/com1-gnss"
"$lbuild/apps/sim/velsor-sim" --device "$work/tuner-gnss" --tuner 2 --seconds 180 \
  > "$work/sim-gnss.out" 2>&1 &
pids+=($!)
printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=115200\r\n' \
  > "$progdir/GPSMN.INI"
port=$(helper free-port)
helper client "$port" "$work/shared.bin" 90 > "$work/client.out" 2>&1 &
client=$!
pids+=($client)
# At 150 %, with a picture of the window once the sky has filled.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
(cd "$progdir" && VELSOR_RUN_MS=8000 VELSOR_RUN_RAW="$(winpath "$work/gnss.bin")" \
   VELSOR_RUN_JSON="$(winpath "$work/gnss-windows.json")" timeout 120 \
   wine ./analyzer-run.exe --share-nmea "127.0.0.1:$port" > "$work/gnss.said" 2>&1) &
gnss=$!
window=""
for _ in $(seq 300); do
  window="$(xdotool search --onlyvisible --classname 'analyzer-run.exe' 2>/dev/null |
            tail -1 || true)"
  [ -n "$window" ] && break
  kill -0 "$gnss" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$window" ]; then
  sleep 4
  import -window "$window" "$wbuild/main-window-windows-150.png" &&
    echo "  a screenshot at 150 %: $wbuild/main-window-windows-150.png"
fi
wait "$gnss" || true
tr -d '\r' < "$work/gnss.said" > "$work/gnss.out"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
wait "$client" || true
sed -n 's/^\(..*\)$/  \1/p' "$work/gnss.out" "$work/client.out"
"$lbuild/apps/velsor-decode" --tuner 2 < "$work/gnss.bin" > "$work/gnss-linux.json" 2>&1 || true
check helper same-state "$work/gnss-windows.json" "$work/gnss-linux.json"
check helper stretch "$work/shared.bin" "$work/gnss.bin"

echo "== 6. --source tcp://127.0.0.1:PORT from velsor-sim --share-nmea"
port=$(helper free-port)
"$lbuild/apps/sim/velsor-sim" --share-nmea "127.0.0.1:$port" --tuner 2 --seconds 180 \
  > "$work/sim-tcp.out" 2>&1 &
pids+=($!)
sleep 1
(cd "$progdir" && VELSOR_RUN_MS=6000 VELSOR_RUN_RAW="$(winpath "$work/tcp.bin")" \
   VELSOR_RUN_JSON="$(winpath "$work/tcp-windows.json")" timeout 120 \
   wine ./analyzer-run.exe --source "tcp://127.0.0.1:$port" 2>&1 | tr -d '\r' > "$work/tcp.out") ||
  true
sed -n 's/^\(..*\)$/  \1/p' "$work/tcp.out"
"$lbuild/apps/velsor-decode" --tuner 2 < "$work/tcp.bin" > "$work/tcp-linux.json" 2>&1 || true
check helper same-state "$work/tcp-windows.json" "$work/tcp-linux.json"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures Windows check(s) failed"
  exit 1
fi
echo "all Windows checks passed"
