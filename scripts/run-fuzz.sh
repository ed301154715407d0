#!/usr/bin/env bash
# Runs a libFuzzer target for a number of seconds, seeded from a folder (default: the real
# captures), with an optional dictionary of the words its code compares against. Fails on any
# crash, leak or sanitizer report.
#
# What decides the executions per second is the size of the inputs. The captures (up to 181 KB,
# more as captures are added) are not the seeds as they are: each is cut into pieces of eight
# lines, the size of one receiver second, and each piece starts with the settings byte the
# receive-path target reads first (bit 0 the tuner: 1 for the layout-1 captures; the clock bits
# and the chunk size varied). With small seeds libFuzzer's -len_control lets inputs grow slowly.
# Inputs stay within 1,280 bytes: room for a line over the assembler's 1 KB limit and the
# sentence after it. Settings files (*.ini) are seeds as they are.
set -euo pipefail
target=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
seeds=${3:-$here/tests/data/nmea}
dict=${4:-}
corpus=$(mktemp -d)
artifacts=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
find "$seeds" -type f -name '*.ini' -exec cp {} "$corpus/" \;
find "$seeds" -type f -name '*.log' -print0 | sort -z | xargs -0 -r env LC_ALL=C awk -v dir="$corpus" '
    FNR == 1 { name = FILENAME; sub(/.*\//, "", name); tuner = FILENAME ~ /layout1/; piece = 0 }
    (FNR - 1) % 8 == 0 {
        if (out) close(out)
        out = sprintf("%s/%s.%04d", dir, name, piece++)
        k++
        b = (k * 7 % 32) * 8 + (k % 4) * 2 + tuner
        printf "%c", b ? b : 8 > out # awk cannot write a NUL
    }
    { print > out }'
echo "fuzzing $(basename "$target") for ${seconds}s (crash artifacts in $artifacts)"
# Short allocation stacks: recording deep ones on every allocation costs a fifth of the
# speed. A crash report keeps its full stack; rerun an artifact with the default to see more.
# A 16 MB quarantine of freed blocks instead of 256 MB: an input allocates a few KB, so a
# use after free is still caught, and the fuzzer stays under 100 MB instead of growing to half a
# GB, touching new pages (page faults) all the while; that alone doubles the speed.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=2:quarantine_size_mb=16}
# New-coverage lines are left out of the output (they are in the log beside the artifacts).
set +e
"$target" -max_total_time="$seconds" -max_len=1280 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 ${dict:+-dict="$dict"} "$corpus" 2>&1 |
    tee "$artifacts/log" | grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE)'
status=${PIPESTATUS[0]}
set -e
exit "$status"
