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
running_caption() {
  case $(xdotool getwindowname "$APP_WIN") in *" — ejecutando PL.bat…") ;; *) return 1 ;; esac
}
e2e_until 60 running_caption || { echo "FAIL: the caption does not say that PL.bat runs"; exit 1; }
e2e_until 60 test -s "$dir/child" || { echo "FAIL: PL.bat started no child"; exit 1; }
"$ZV_BUILD_DIR/zv_wm_close" "$APP_WIN"
# "At once" is a second or so on an idle machine; the ceiling leaves room for a busy one and is
# still far below the child's five minutes.
e2e_until 60 e2e_gone "$APP_PID" || { echo "FAIL: Zarvik runs 60 s after its window closed"; exit 1; }
# Gone, or a zombie that nobody reaps in a container.
child_ended() { ! grep -qs '^[^)]*) [^Z]' "/proc/$(cat "$dir/child")/stat"; }
e2e_until 60 child_ended || { echo "FAIL: the child runs"; exit 1; }
echo "PASS"
