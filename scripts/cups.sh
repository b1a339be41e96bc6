#!/bin/bash
# Starts and stops a CUPS scheduler whose default queue writes PDF files, for the printing tests.
#   scripts/cups.sh start    start cupsd (as root) with the queue "ZarvikPDF" as the default
#   scripts/cups.sh stop     remove the queue and stop the cupsd that start launched, by its PID
#   scripts/cups.sh pdfdir   print the folder where the queue's PDF files land
# The state (PID, PDF folder) is kept in $ZV_CUPS_STATE, /tmp/zarvik-cups by default.
set -u

state=${ZV_CUPS_STATE:-/tmp/zarvik-cups}
queue=ZarvikPDF
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

running() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

# cups-pdf writes to its "Out" folder, ${HOME} being the home of the job's owner.
pdf_dir() {
  out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n 1)
  [ -n "$out" ] || out='${HOME}/PDF'
  home=$(getent passwd "$(id -un)" | cut -d: -f6)
  echo "${out//\$\{HOME\}/${home:-$HOME}}"
}

start() {
  command -v cupsd >/dev/null 2>&1 || { echo "cups.sh: cupsd is not installed" >&2; return 1; }
  [ -f "$ppd" ] || { echo "cups.sh: cups-pdf is not installed" >&2; return 1; }
  [ "$(id -u)" = 0 ] || { echo "cups.sh: starting cupsd needs root" >&2; return 1; }
  mkdir -p "$state" /run/cups
  if ! running; then
    /usr/sbin/cupsd -f >"$state/cupsd.log" 2>&1 &
    echo $! >"$state/cupsd.pid"
    for _ in $(seq 100); do running && break; sleep 0.1; done
    running || { echo "cups.sh: cupsd did not start" >&2; stop; return 1; }
  fi
  # pdftocairo keeps the text of the PDF extractable.
  lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o pdftops-renderer-default=pdftocairo || return 1
  lpadmin -d "$queue" || return 1
  dir=$(pdf_dir)
  mkdir -p "$dir"
  echo "$dir" >"$state/pdf-dir"
  echo "cups.sh: default queue $queue writes PDF files to $dir"
}

stop() {
  running && lpadmin -x "$queue" 2>/dev/null
  if [ -f "$state/cupsd.pid" ]; then
    pid=$(cat "$state/cupsd.pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$state/cupsd.pid"
  fi
  rm -f "$state/pdf-dir"
  return 0
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  pdfdir) if [ -f "$state/pdf-dir" ]; then cat "$state/pdf-dir"; else pdf_dir; fi ;;
  *) echo "usage: $0 start|stop|pdfdir" >&2; exit 2 ;;
esac
