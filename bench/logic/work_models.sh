#!/bin/sh
# zarvik-pl --work on a worksheet of 200 models written by a student: 100 first-order
# countermodels and 100 Kripke ones in S4, each with its exercise. Prints the wall-clock and
# processor time.
# Usage: sh bench/logic/work_models.sh BUILD_DIR
set -eu
build=${1:-build}
pl=$build/zarvik-pl
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sheet=$dir/hoja.txt
i=0
while [ $i -lt 100 ]; do
    i=$((i + 1))
    cat >>"$sheet" <<SHEET
Ejercicio $i: ∀x(Fx → ∃y Rxy), ∃x Fx ⊨ ∃x Rxx
Contramodelo:
Dominio: {1, 2, 3, 4}
F: {1, 2}
R: {(1, 2), (2, 3), (3, 4), (4, 1)}

sistema: S4
Ejercicio $i: □(p → q), ◇p ⊨ □q
Contramodelo:
Mundos: {w1, w2, w3, w4}
R: {(w1, w1), (w2, w2), (w3, w3), (w4, w4), (w1, w2), (w1, w3), (w2, w3), (w1, w4)}
p: {w2, w3}
q: {w2, w3}

SHEET
done
start=$(date +%s%N)
/usr/bin/time -f '%U %S' -o "$dir/cpu" "$pl" --work "$sheet" >"$dir/out" || true
end=$(date +%s%N)
pieces=$(wc -l <"$dir/out")
right=$(grep -c '	correcta$' "$dir/out" || true)
cpu=$(awk '{printf "%d", ($1 + $2) * 1000}' "$dir/cpu")
echo "work models: $pieces pieces ($right correcta) in $(((end - start) / 1000000)) ms wall, $cpu ms processor"
[ "$pieces" -eq 200 ] && [ "$right" -eq 200 ]
