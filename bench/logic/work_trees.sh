#!/bin/sh
# zarvik-pl --work on a worksheet of 200 pieces of a student's trees: 100 trees (one closed
# propositional, one open first-order, by turns), each with its "Respuesta:" line, and then one
# tree of 150 nested branches. Prints the wall-clock and processor time of each.
# Usage: sh bench/logic/work_trees.sh BUILD_DIR
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
Ejercicio $i: p ∨ q, ¬q ⊨ p
1. p ∨ q :PR
2. ¬q :PR
3. ¬p :NC
    4. p :1
    5. ✕ :3, 4
--
    6. q :1
    7. ✕ :2, 6
Respuesta: válido

Ejercicio $i: ∀x(Fx → Gx), Ga ⊨ Fa
1. ∀x(Fx → Gx) :PR
2. Ga :PR
3. ¬Fa :NC
4. Fa → Ga :∀ 1 a
    5. ¬Fa :4
    6. ○
--
    7. Ga :4
    8. ○
Respuesta: no válido

SHEET
done
run() { # name, file, pieces expected, right expected
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S' -o "$dir/cpu" "$pl" --work "$2" >"$dir/out" || true
    end=$(date +%s%N)
    pieces=$(wc -l <"$dir/out")
    right=$(grep -c '	correcta$' "$dir/out" || true)
    cpu=$(awk '{printf "%d", ($1 + $2) * 1000}' "$dir/cpu")
    echo "$1: $pieces pieces ($right correcta) in $(((end - start) / 1000000)) ms wall, $cpu ms processor"
    [ "$pieces" -eq "$3" ] && [ "$right" -eq "$4" ]
}
run "tree sheet" "$sheet" 200 200

# p1 ∨ q1, ¬q1, …, p150 ∨ q150, ¬q150 ⊨ r: each split closes on the left and goes on on the right.
awk 'BEGIN {
    n = 150; k = 0; s = ""
    for (i = 1; i <= n; i++) s = s (i > 1 ? ", " : "") "p" i " ∨ q" i ", ¬q" i
    print s " ⊨ r"
    for (i = 1; i <= n; i++) { print ++k ". p" i " ∨ q" i " :PR"; print ++k ". ¬q" i " :PR" }
    print ++k ". ¬r :NC"
    pad = ""
    for (i = 1; i <= n; i++) {
        out = pad; pad = pad "    "
        print pad (++k) ". q" i " :" (2 * i - 1); print pad (++k) ". ✕ :" (2 * i) ", " (k - 1)
        print out "--"; print pad (++k) ". p" i " :" (2 * i - 1)
    }
    print pad (++k) ". ○"
}' >"$dir/deep.txt"
run "deep tree" "$dir/deep.txt" 1 1
