#!/bin/sh
# zarvik-pl --work: one line per piece of the student's work against golden files (tables and
# verdicts; the student's models), a sheet in Windows-1252, --help and the exit codes.
# Usage: tst_work.sh BUILD_DIR DATA_DIR
# To refresh the golden file after a deliberate change of wording:
#   build/zarvik-pl --work tests/interpreter/data/trabajo.txt > tests/interpreter/data/trabajo.esperado
#   (and the same for modelos.txt)
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

"$pl" --work "$data/trabajo.txt" >"$work/out"
status=$?
check "one line per piece, as the golden file has them" cmp -s "$work/out" "$data/trabajo.esperado"
check "a sheet with a faulty piece ends with status 1" [ "$status" -eq 1 ]
check "formulas and arguments without work under them print nothing" \
    sh -c '! grep -q "^1	" "$1" && ! grep -q "^3	" "$1"' sh "$work/out"
check "a derivation prints through the same format, at its first line" \
    grep -q "^35	incorrecta	línea 37: " "$work/out"

# Models right and with one fault each: the verdict, and the fault on its line.
"$pl" --work "$data/modelos.txt" >"$work/models"
check "each model's line as the golden file has it" cmp -s "$work/models" "$data/modelos.esperado"
check "a model is answered at its Contramodelo: or Modelo: line" \
    sh -c '[ "$(cut -f 1 "$1" | tr "\n" " ")" = "4 9 12 19 25 31 38 46 54 62 69 75 78 81 84 87 92 " ]' \
    sh "$work/models"
check "a missing extension is given at the model's first line" \
    grep -q "^19	incorrecta	línea 19: falta la extensión de «G»$" "$work/models"
check "a frame without the system's property names the missing pair on R's line" \
    grep -q "^54	incorrecta	línea 56: R no es reflexiva: falta (w2, w2)$" "$work/models"

# Windows-1252: "válido" with 0xE1, "~" and "->" for the connectives.
printf 'p -> q, ~q |= ~p\np | q | p -> q | ~q | ~p\nV | V | V | F | F\nV | F | F | V | F\nF | V | V | F | V\nF | F | V | V | V\nRespuesta: v\341lido\n' >"$work/cp1252.txt"
"$pl" --work "$work/cp1252.txt" >"$work/cp1252.out"
status=$?
check "a sheet in 1252 bytes is read" \
    sh -c '[ "$(cat "$1")" = "$(printf "2\tcorrecta\n7\tcorrecta")" ]' sh "$work/cp1252.out"
check "and ends with status 0 when all is right" [ "$status" -eq 0 ]

printf 'p ∨ ¬p\nRespuesta: Contradicción\n' >"$work/one.txt"
check "a wrong verdict names the right one" \
    sh -c '[ "$("$1" --work "$2")" = "$(printf "2\tincorrecta\tlínea 2: la fórmula es una tautología")" ]' \
    sh "$pl" "$work/one.txt"

check "--help lists --work" sh -c '"$1" --help | grep -q -- "--work"' sh "$pl"
"$pl" --work "$work/missing.txt" >/dev/null 2>&1
check "a file that cannot be read ends with status 2" [ $? -eq 2 ]
"$pl" --work >/dev/null 2>&1
check "no file ends with status 2" [ $? -eq 2 ]
"$pl" --work --system X "$data/trabajo.txt" >/dev/null 2>&1
check "an unknown system ends with status 2" [ $? -eq 2 ]

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
