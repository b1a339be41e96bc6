# Shared steps of the "Compilar Programa" end-to-end tests; sourced after tests/common/e2e.sh.

RESULTS_TITLE="Resultado de la ejecución del programa"

# run_archivo DOWNS: opens "Archivo" and chooses the item DOWNS steps down (separators skipped).
run_archivo() {
  e2e_click_at 20 $((MENU_H / 2))
  i=0; while [ "$i" -lt "$1" ]; do xdotool key Down; sleep 0.1; i=$((i + 1)); done
  e2e_key Return
}

run_new_program() { run_archivo 3; }
run_compile() { run_archivo 5; }

# run_wait_results: sets RES_WIN to the results window, or fails.
run_wait_results() {
  RES_WIN=$(e2e_wait_window "$RESULTS_TITLE" "${1:-120}") || { echo "FAIL: no results window"; exit 1; }
  sleep 0.5
}

# run_save_results PATH: "Guardar" in the results window, then the path typed in the dialog.
run_save_results() {
  before=$(xdotool search --onlyvisible --name '.' 2>/dev/null | sort)
  xdotool mousemove --window "$RES_WIN" 30 8 click 1
  dialog=
  i=0
  while [ -z "$dialog" ] && [ "$i" -lt 600 ]; do
    sleep 0.1; i=$((i + 1))
    dialog=$(xdotool search --onlyvisible --name '.' 2>/dev/null | sort | grep -vxF "$before" | head -n 1)
  done
  [ -n "$dialog" ] || { echo "FAIL: no save dialog"; exit 1; }
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  sleep 0.5
  e2e_type "$1"
  e2e_key Return
  e2e_wait_saved "$1"
}

# run_close_results: the results window's close box; it must go away and leave the main window.
run_close_results() {
  "$ZV_BUILD_DIR/zv_wm_close" "$RES_WIN" || { echo "FAIL: cannot close the results window"; exit 1; }
  i=0
  while xdotool search --onlyvisible --name "$RESULTS_TITLE" >/dev/null 2>&1; do
    sleep 0.1; i=$((i + 1))
    [ "$i" -lt 600 ] || { echo "FAIL: the results window stays open"; exit 1; }
  done
  kill -0 "$APP_PID" 2>/dev/null || { echo "FAIL: Zarvik ended"; exit 1; }
}

run_require_helper() {
  [ -x "$ZV_BUILD_DIR/zv_wm_close" ] || { echo "SKIP: zv_wm_close was not built (no Xlib)"; exit 77; }
}
