#!/usr/bin/env bash
# Times velsor-decode and gpsd's gpsdecode on the same ~50 MB capture (the real captures
# concatenated until the size is reached) in one run, and prints the ratio, for the fixed-position
# model 0 and for model 2 (decoding by fields). GNSS=1 builds the capture from the multi-GNSS
# captures (tests/data/nmea-gnss, copies of the shared ones; or $VELSOR_SHARED_DATA/nmea-gnss)
# instead.
# usage: bench/decode_vs_gpsdecode.sh [path/to/velsor-decode]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
decode=${1:-$here/build-release/apps/velsor-decode}
target_mb=${TARGET_MB:-50}
command -v gpsdecode >/dev/null || { echo "gpsdecode not found (Debian package gpsd-clients)"; exit 2; }
[ -x "$decode" ] || { echo "velsor-decode not found at $decode (run: make bench)"; exit 2; }

. "$(dirname "$0")/lib.sh"
one="$work/one.log"
if [ "${GNSS:-0}" = 1 ]; then
    find "${VELSOR_SHARED_DATA:-$here/tests/data}/nmea-gnss" -name '*.log' | sort | xargs cat > "$one"
else
    find "$here/tests/data/nmea" -name '*.log' | sort | xargs cat > "$one"
fi
big="$work/capture.log"
: > "$big"
while [ "$(stat -c %s "$big")" -lt $((target_mb * 1024 * 1024)) ]; do cat "$one" >> "$big"; done
bytes=$(stat -c %s "$big")
sentences=$(grep -c '\$' "$big" || true)
lines=$(wc -l < "$big")

# Best of three runs each, wall-clock seconds.
best() {
    local best=""
    for _ in 1 2 3; do
        local t0 t1 dt
        t0=$(date +%s.%N)
        "$@" < "$big" > /dev/null
        t1=$(date +%s.%N)
        dt=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$dt < $best" | bc -l)" = 1 ]; then best=$dt; fi
    done
    echo "$best"
}
tv=$(best "$decode")
tv2=$(best "$decode" --tuner 2)
tg=$(best gpsdecode)
printf 'capture: %d bytes, %d lines, %d sentences\n' "$bytes" "$lines" "$sentences"
printf 'velsor-decode: %.3f s  (%.0f sentences/s)\n' "$tv" "$(echo "$sentences / $tv" | bc -l)"
printf 'gpsdecode:     %.3f s  (%.0f sentences/s)\n' "$tg" "$(echo "$sentences / $tg" | bc -l)"
printf 'velsor-decode --tuner 2: %.3f s  (%.0f sentences/s)\n' "$tv2" "$(echo "$sentences / $tv2" | bc -l)"
printf 'ratio (gpsdecode time / velsor-decode time): %.1f\n' "$(echo "$tg / $tv" | bc -l)"
printf 'ratio (gpsdecode time / velsor-decode --tuner 2 time): %.1f\n' "$(echo "$tg / $tv2" | bc -l)"
grep -m1 'model name' /proc/cpuinfo
