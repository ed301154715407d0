#!/usr/bin/env bash
# Runs a libFuzzer target for a number of seconds, seeded with the real captures. Fails on any
# crash, leak or sanitizer report.
set -euo pipefail
target=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
corpus=$(mktemp -d)
artifacts=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
find "$here/tests/data/nmea" -name '*.log' -exec cp {} "$corpus/" \;
echo "fuzzing $(basename "$target") for ${seconds}s (crash artifacts in $artifacts)"
"$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"
