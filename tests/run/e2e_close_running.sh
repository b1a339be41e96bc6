#!/bin/sh
# A program that never ends: the caption says that it runs, and closing the main window ends it,
# with what it started, and Zarvik quits at once.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
. "$ZV_SOURCE_DIR/tests/run/e2e_program.sh"
e2e_require
run_require_helper

e2e_workdir
cat >"$dir/PL.bat" <<'BATCH'
here=$(dirname "$0")
sleep 300 &
echo $! >"$here/child"
wait
BATCH

e2e_start "$dir"
run_new_program
run_compile
i=0
while [ ! -s "$dir/child" ] && [ "$i" -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
child=$(cat "$dir/child")
caption=$(xdotool getwindowname "$APP_WIN")
case "$caption" in
  *" — ejecutando PL.bat…") ;;
  *) echo "FAIL: the caption during the run is \"$caption\""; exit 1 ;;
esac

"$ZV_BUILD_DIR/zv_wm_close" "$APP_WIN" || { echo "FAIL: cannot close the main window"; exit 1; }
i=0
while kill -0 "$APP_PID" 2>/dev/null; do
  sleep 0.1; i=$((i + 1))
  [ "$i" -lt 30 ] || { echo "FAIL: Zarvik still runs 3 s after its window closed"; exit 1; }
done
i=0
while [ -d "/proc/$child" ] && ! grep -q '^[^)]*) Z' "/proc/$child/stat" 2>/dev/null; do
  sleep 0.1; i=$((i + 1))
  [ "$i" -lt 30 ] || { echo "FAIL: the program's child $child still runs"; exit 1; }
done
echo "PASS"
