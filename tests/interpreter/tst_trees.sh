#!/bin/sh
# zarvik-pl --work on trees (tableaux) that students build: every right tree "correcta", every
# faulty one at the line of its fault, a verdict under a tree judged on its own, and a derivation
# among them still read as a derivation.
# Usage: tst_trees.sh BUILD_DIR DATA_DIR
# To refresh the golden file after a deliberate change of wording:
#   build/zarvik-pl --work tests/interpreter/data/arboles.txt > tests/interpreter/data/arboles.esperado
set -u
pl=$1/zarvik-pl
data=$2
fails=0
passes=0
check() { # name, then a command that must succeed
    name=$1
    shift
    if "$@"; then passes=$((passes + 1)); echo "PASS $name"; else fails=$((fails + 1)); echo "FAIL $name"; fi
}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_DATA_DIRS="$work/dirs"

"$pl" --work "$data/arboles.txt" >"$work/out"
status=$?
check "one line per tree, as the golden file has them" cmp -s "$work/out" "$data/arboles.esperado"
if ! cmp -s "$work/out" "$data/arboles.esperado"; then diff "$data/arboles.esperado" "$work/out"; fi
check "a sheet with a faulty tree ends with status 1" [ "$status" -eq 1 ]
# Every tree after the line "Falta" has exactly one fault, and its line is printed under it.
check "every faulty tree is printed incorrecta, every right one correcta" sh -c '
    faulty=$(grep -c "^Falta" "$1")
    [ "$(grep -c "	incorrecta	" "$2")" -eq "$faulty" ] &&
    [ "$(grep -c "	correcta$" "$2")" -eq 21 ]' sh "$data/arboles.txt" "$work/out"

# The tree's own lines, and the fault's, counted in the file.
printf 'Ejercicio 1: p ∨ q, ¬q ⊨ p\n1. p ∨ q :PR\n2. ¬q :PR\n3. ¬p :NC\n    4. p :1\n    5. ✕ :3, 4\n' >"$work/lone.txt"
check "a missing sibling is faulty at the lone branch's first line" \
    sh -c '[ "$("$1" --work "$2")" = "$(printf "2\tincorrecta\tlínea 5: falta la rama de «q», que abre la línea 1")" ]' \
    sh "$pl" "$work/lone.txt"
printf 'p ∨ q ⊨ p\n1. p ∨ q :PR\n2. ¬p :NC\n    3. p :1\n    4. abierta\n--\n    5. q :1\n    6. abierta\nRespuesta: no válido\n' >"$work/open.txt"
check "a branch wrongly called open is faulty at its mark, and the verdict below is its own piece" \
    sh -c '[ "$("$1" --work "$2")" = "$(printf "2\tincorrecta\tlínea 5: la rama se cierra: las líneas 2 y 3 se contradicen\n9\tcorrecta")" ]' \
    sh "$pl" "$work/open.txt"
printf 'p, q ⊨ p\n1. p :PR\n2. q :PR\n3. ¬p :CN\n4. X :1, 3\n' >"$work/x.txt"
check "CN and X are a tree's spellings" \
    sh -c '[ "$("$1" --work "$2")" = "$(printf "2\tcorrecta")" ]' sh "$pl" "$work/x.txt"
printf 'X ⊢ X ∨ p\n1. X :PR\n2. X ∨ p :∨I 1\n' >"$work/letter.txt"
check "a derivation of the letter X is still a derivation" \
    sh -c '[ "$("$1" --work "$2")" = "$(printf "2\tcorrecta")" ] && "$1" --derivation "$2" | grep -q "correcta"' sh "$pl" "$work/letter.txt"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
