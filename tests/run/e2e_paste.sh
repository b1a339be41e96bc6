#!/bin/sh
# "Compilar Programa" with the real interpreter, on a program as a user writes it: a formula of
# 190 characters on one line, a formula pasted from elsewhere with Unicode connectives, and two
# formulas split by Shift+Enter. Each reaches "entrada.txt" as one line, the pasted connectives
# as the "Symbol" bytes the interpreter reads, and the interpreter classifies all four.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
. "$ZV_SOURCE_DIR/tests/run/e2e_program.sh"
if [ ! -f "$ZV_BUILD_DIR/PL.bat" ] || [ ! -x "$ZV_BUILD_DIR/zarvik-pl" ]; then
  echo "SKIP: no PL.bat and interpreter in the build folder"; exit 77
fi
e2e_require
run_require_helper
command -v xclip >/dev/null 2>&1 || { echo "SKIP: no xclip to fill the clipboard"; exit 77; }

e2e_workdir
cp "$ZV_BUILD_DIR/PL.bat" "$ZV_BUILD_DIR/zarvik-pl" "$dir/"
# (p1 -> p2) & ... & (p12 -> p13), so p1 -> p13: 190 characters, far wider than the 633 px at
# which the export used to split a line.
chain='(p1 -> p2)'
i=2
while [ "$i" -lt 13 ]; do chain="$chain & (p$i -> p$((i + 1)))"; i=$((i + 1)); done
long="($chain) -> (p1 -> ~~p13) V (q & ~q)"
[ "${#long}" -eq 190 ] || { echo "FAIL: the long formula has ${#long} characters"; exit 1; }

e2e_start "$dir"
run_new_program
e2e_type "$long"
e2e_key Return
printf '(p \342\210\247 q) \342\206\222 p' | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
CLIP_PID=$!
trap 'kill "$CLIP_PID" 2>/dev/null; e2e_stop; rm -rf "$dir"' EXIT
clipboard_full() { xclip -selection clipboard -o 2>/dev/null | grep -q 'q'; }
e2e_until 60 clipboard_full || { echo "FAIL: xclip did not fill the clipboard"; exit 1; }
e2e_key F8
e2e_key Return
e2e_type "p & q"
e2e_key shift+Return
e2e_type "p V q"
run_compile
run_wait_results

printf '%s\r\n(p \331 q) \256 p\r\np & q\r\np V q\r\n' "$long" >"$dir/expected"
# Byte for byte, so with no VT anywhere.
cmp "$dir/entrada.txt" "$dir/expected" || {
  echo "FAIL: entrada.txt"; od -c "$dir/entrada.txt"; exit 1; }

log="$dir/salida.log"
verdicts=$(grep -a -e 'Error en la' -e 'Clasificaci' "$log" | cut -d: -f2 | tr -d '\r\n ')
[ "$verdicts" = "$(printf 'Tautolog\355aTautolog\355aContingenciaContingencia')" ] || {
  echo "FAIL: salida.log"; iconv -f cp1252 -t utf-8 "$log" | head -60; exit 1; }
run_close_results
echo "PASS"
