# Sourced by the demo and the load benchmark: a simulated receiver on COM1 of a program folder.
# simulated_port_start PROGRAM_DIR SIM TUNER [velsor-sim options...]
#   links PROGRAM_DIR/ports/COM1 to one end of a socat pseudo-terminal pair, writes a settings
#   file for COM1 and the tuner with the PC clock setting off, and runs velsor-sim on the other
#   end. Everything started is ended, and the link removed, when the calling script exits.

simulated_port_pids=()
simulated_port_dir=""
simulated_port_work=""

simulated_port_stop() {
    for p in "${simulated_port_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -n "$simulated_port_dir" ] && rm -f "$simulated_port_dir/ports/COM1"
    [ -n "$simulated_port_work" ] && rm -rf "$simulated_port_work"
}

simulated_port_start() {
    local dir=$1 sim=$2 tuner=$3
    shift 3
    simulated_port_dir=$dir
    simulated_port_work=$(mktemp -d)
    trap simulated_port_stop EXIT INT TERM
    mkdir -p "$dir/ports"
    rm -f "$dir/ports/COM1"
    socat pty,raw,echo=0,link="$dir/ports/COM1" \
        pty,raw,echo=0,link="$simulated_port_work/tuner" &
    simulated_port_pids+=($!)
    for _ in $(seq 50); do
        [ -e "$dir/ports/COM1" ] && [ -e "$simulated_port_work/tuner" ] && break
        sleep 0.1
    done
    # The field model's line speed is the simulator's (115200 unless --baud says otherwise).
    local baud=115200 prev=""
    for a in "$@"; do [ "$prev" = --baud ] && baud=$a; prev=$a; done
    # Never let a simulated receiver's time set the PC clock.
    printf '[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=%s\r\n[Time]=0\r\n' "$tuner" \
        > "$dir/GPSMN.INI"
    [ "$tuner" = 2 ] && printf '[Baud]=%s\r\n' "$baud" >> "$dir/GPSMN.INI"
    "$sim" --device "$simulated_port_work/tuner" --tuner "$tuner" "$@" &
    simulated_port_pids+=($!)
}
