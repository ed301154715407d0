#!/bin/bash
# A CUPS queue printing to PDF files through the cups-pdf backend, as the default printer,
# for the printing tests. "up STATE" starts what is missing and prints the folder the PDFs
# land in; "down STATE" undoes only what "up" did. Needs root (or lpadmin rights).
set -euo pipefail
cmd=${1:?up or down}
state=${2:?state file}
queue=velsor-pdf

running() { lpstat -r 2>/dev/null | grep -q "is running"; }

if [[ $cmd == up ]]; then
    command -v cupsd >/dev/null && [[ -x /usr/lib/cups/backend/cups-pdf ]] ||
        { echo "cupsd or cups-pdf not installed" >&2; exit 3; }
    : >"$state"
    if ! running; then
        setsid cupsd -f </dev/null >/dev/null 2>&1 &
        echo "cupsd_pid=$!" >>"$state"
        for _ in $(seq 50); do running && break; sleep 0.1; done
        running || { echo "cupsd did not start" >&2; exit 1; }
    fi
    old_default=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
    echo "old_default=$old_default" >>"$state"
    if ! lpstat -p "$queue" >/dev/null 2>&1; then
        ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/ppd/cups-pdf/*.ppd \
              2>/dev/null | head -n1)
        # pdftocairo keeps text as text on its way to PostScript; the default renderer
        # turns pages with embedded CID fonts into pictures.
        lpadmin -p "$queue" -v cups-pdf:/ -E -P "$ppd" \
            -o pdftops-renderer-default=pdftocairo 2>/dev/null
        echo "created_queue" >>"$state"
    fi
    lpoptions -d "$queue" >/dev/null
    # Where cups-pdf writes: its "Out" setting, ${HOME} being the job owner's home.
    out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n1)
    home=$(getent passwd "$(id -un)" | cut -d: -f6)
    out=${out:-'${HOME}/PDF'}
    out=${out//'${HOME}'/$home}
    mkdir -p "$out"
    echo "$out"
elif [[ $cmd == down ]]; then
    [[ -f $state ]] || exit 0
    if grep -q '^created_queue' "$state"; then lpadmin -x "$queue" || true; fi
    old=$(sed -n 's/^old_default=//p' "$state")
    if [[ -n $old ]]; then lpoptions -d "$old" >/dev/null || true; fi
    pid=$(sed -n 's/^cupsd_pid=//p' "$state")
    if [[ -n $pid ]]; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$state"
fi
