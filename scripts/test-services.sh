#!/bin/bash
# Runs a command with the services the tests need, so that `make test` runs every test on a fresh
# machine: an X server of its own when there is no usable display, and (as root) a CUPS scheduler
# with a PDF queue when no default printer is set up. Stops what it started, by PID.
set -u
cd "$(dirname "$0")/.."

xvfb_pid=
started_cups=
cleanup() {
  [ -n "$started_cups" ] && scripts/cups.sh stop >/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  if command -v Xvfb >/dev/null 2>&1; then
    # -displayfd picks a free display; -noreset keeps the server from refusing a client that
    # connects just as the previous one left.
    fifo=$(mktemp -u /tmp/zarvik-xvfb.XXXXXX)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/tmp/zarvik-xvfb.log 2>&1 &
    xvfb_pid=$!
    read -r -t 10 number <"$fifo" || number=
    rm -f "$fifo"
    if [ -n "$number" ]; then
      export DISPLAY=:$number
      echo "test-services: Xvfb on $DISPLAY (PID $xvfb_pid)"
    else
      echo "test-services: Xvfb did not start; the end-to-end tests will be skipped" >&2
    fi
  else
    echo "test-services: no Xvfb; the end-to-end tests will be skipped" >&2
  fi
fi

if ! lpstat -d 2>/dev/null | grep -q 'system default destination'; then
  if [ "$(id -u)" = 0 ] && scripts/cups.sh start; then
    started_cups=1
  else
    echo "test-services: no default printer; the printing tests will be skipped" >&2
  fi
fi

"$@"
