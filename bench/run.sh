#!/bin/sh
# Runs every benchmark of the build folder given as $1 and prints its figures.
set -eu
build=${1:-build}
status=0
for b in "$build"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$b" || status=1
done
for s in "$(dirname "$0")"/*.sh; do
  [ "$(basename "$s")" = run.sh ] && continue
  echo "== $(basename "$s")"
  sh "$s" "$build" || status=1
done
exit $status
