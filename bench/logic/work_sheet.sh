#!/bin/sh
# zarvik-pl --work on a worksheet of 200 pieces of a student's work: 100 truth tables of two and
# three letters, each with its "Respuesta:" line. Prints the wall-clock and processor time.
# Usage: sh bench/logic/work_sheet.sh BUILD_DIR
set -eu
build=${1:-build}
pl=$build/zarvik-pl
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sheet=$dir/hoja.txt
i=0
while [ $i -lt 50 ]; do
    i=$((i + 1))
    cat >>"$sheet" <<SHEET
Ejercicio $i: p → q, ¬q ⊨ ¬p
p | q | p → q | ¬q | ¬p
--+---+-------+----+---
V | V |   V   | F  | F
V | F |   F   | V  | F
F | V |   V   | F  | V
F | F |   V   | V  | V
Respuesta: válido

Ejercicio $i: p → q, q → r ⊨ r → p
p | q | r | p → q | q → r | r → p
V | V | V |   V   |   V   |   V
V | V | F |   V   |   F   |   V
V | F | V |   F   |   V   |   V
V | F | F |   F   |   V   |   V
F | V | V |   V   |   V   |   F
F | V | F |   V   |   F   |   V
F | F | V |   V   |   V   |   F
F | F | F |   V   |   V   |   V
Respuesta: no válido (fila 5)

SHEET
done
start=$(date +%s%N)
/usr/bin/time -f '%U %S' -o "$dir/cpu" "$pl" --work "$sheet" >"$dir/out" || true
end=$(date +%s%N)
pieces=$(wc -l <"$dir/out")
right=$(grep -c '	correcta$' "$dir/out" || true)
cpu=$(awk '{printf "%d", ($1 + $2) * 1000}' "$dir/cpu")
echo "work sheet: $pieces pieces ($right correcta) in $(((end - start) / 1000000)) ms wall, $cpu ms processor"
[ "$pieces" -eq 200 ] && [ "$right" -eq 200 ]
