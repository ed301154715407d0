# Sourced by the bench scripts: a work folder and the background processes in `pids`, both
# gone at exit with the files named in `leftovers`, and readings of a process.
work=$(mktemp -d)
pids=()
leftovers=()
bench_cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -f "${leftovers[@]}"
    rm -rf "$work"
}
trap bench_cleanup EXIT INT TERM
now_ms() { date +%s%3N; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
