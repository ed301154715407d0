#!/usr/bin/env bash
# Runs a libFuzzer target for a number of seconds, seeded from a folder (default: the real
# captures), with an optional dictionary of the words its code compares against. Fails on any crash, leak or sanitizer report. Inputs stay within 2 KB: room for
# two dozen sentences and for a line over the assembler's 1 KB limit, and short enough to keep
# the executions per second high.
set -euo pipefail
target=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
seeds=${3:-$here/tests/data/nmea}
dict=${4:-}
corpus=$(mktemp -d)
artifacts=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
find "$seeds" -type f \( -name '*.log' -o -name '*.ini' \) -exec cp {} "$corpus/" \;
echo "fuzzing $(basename "$target") for ${seconds}s (crash artifacts in $artifacts)"
# Short allocation stacks: recording deep ones on every allocation costs a fifth of the
# speed. A crash report keeps its full stack; rerun an artifact with the default to see more.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=2}
# New-coverage lines are left out of the output (they are in the log beside the artifacts).
set +e
"$target" -max_total_time="$seconds" -max_len=2048 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 ${dict:+-dict="$dict"} "$corpus" 2>&1 |
    tee "$artifacts/log" | grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE)'
status=${PIPESTATUS[0]}
set -e
exit "$status"
