#!/bin/sh
# "Compilar Programa" with the real "PL.bat" and interpreter from the build folder: p V ¬p,
# typed with the palette's negation, is reported as a tautology in the results window.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
. "$ZV_SOURCE_DIR/tests/run/e2e_program.sh"
if [ ! -f "$ZV_BUILD_DIR/PL.bat" ] || [ ! -x "$ZV_BUILD_DIR/zarvik-pl" ]; then
  echo "SKIP: no PL.bat and interpreter in the build folder"; exit 77
fi
e2e_require
run_require_helper

e2e_workdir
cp "$ZV_BUILD_DIR/PL.bat" "$ZV_BUILD_DIR/zarvik-pl" "$dir/"

e2e_start "$dir"
run_new_program
e2e_type "p V "
e2e_click_button 288
e2e_type "p"
run_compile
run_wait_results 30

printf 'p V \254p\r\n' >"$dir/expected"
cmp "$dir/entrada.txt" "$dir/expected" || { echo "FAIL: entrada.txt"; od -c "$dir/entrada.txt"; exit 1; }
run_save_results "$dir/resultado"
grep -q "$(printf 'Tautolog\355a')" "$dir/resultado" || {
  echo "FAIL: no Tautología in the results window"; od -c "$dir/resultado" | head -40; exit 1; }
run_close_results
echo "PASS"
