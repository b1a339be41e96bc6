#!/bin/sh
# A program that never ends: the caption says that it runs, and closing the main window stops it,
# with the process it started, and Zarvik quits at once.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
. "$ZV_SOURCE_DIR/tests/run/e2e_program.sh"
e2e_require
run_require_helper

e2e_workdir
printf 'sleep 300 &\necho $! >"$(dirname "$0")/child"\nwait\n' >"$dir/PL.bat"
e2e_start "$dir"
run_new_program
run_compile
sleep 1
case $(xdotool getwindowname "$APP_WIN") in
  *" — ejecutando PL.bat…") ;;
  *) echo "FAIL: the caption does not say that PL.bat runs"; exit 1 ;;
esac
"$ZV_BUILD_DIR/zv_wm_close" "$APP_WIN"
sleep 3
kill -0 "$APP_PID" 2>/dev/null && { echo "FAIL: Zarvik runs 3 s after its window closed"; exit 1; }
# Gone, or a zombie that nobody reaps in a container.
grep -qs '^[^)]*) [^Z]' "/proc/$(cat "$dir/child")/stat" && { echo "FAIL: the child runs"; exit 1; }
echo "PASS"
