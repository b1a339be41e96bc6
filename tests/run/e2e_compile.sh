#!/bin/sh
# "Compilar Programa" on the real window: a program typed with palette symbols reaches
# "entrada.txt" byte for byte; a "PL.bat" that copies it with a header shows it in the results
# window, which saves it and closes.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
. "$ZV_SOURCE_DIR/tests/run/e2e_program.sh"
e2e_require
run_require_helper

e2e_workdir
cat >"$dir/PL.bat" <<'BATCH'
here=$(dirname "$0")
{ printf 'Salida del int\351rprete\r\n'; cat "$here/entrada.txt"; } >"$here/salida.log"
BATCH

e2e_start "$dir"
run_new_program
e2e_type "p "
e2e_click_button 384          # the biconditional arrow: "n" in Wingdings 3
e2e_type " q"
e2e_key Return
e2e_type "p V "
e2e_click_button 288          # negation: 0xAC in Verdana
e2e_type "p"
run_compile
run_wait_results

printf 'p n q\r\np V \254p\r\n' >"$dir/expected"
cmp "$dir/entrada.txt" "$dir/expected" || { echo "FAIL: entrada.txt"; od -c "$dir/entrada.txt"; exit 1; }

run_save_results "$dir/copia"
{ printf 'Salida del int\351rprete\r\n'; cat "$dir/expected"; } >"$dir/expected-copy"
cmp "$dir/copia" "$dir/expected-copy" || { echo "FAIL: the saved results"; od -c "$dir/copia"; exit 1; }

run_close_results
echo "PASS"
