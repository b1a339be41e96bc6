#!/bin/sh
# zarvik-pl --derivation and --prove: verdicts against a golden file, --prove's output checked
# again by --derivation, the system option, 1252 input and the exit codes.
# Usage: tst_derivations.sh BUILD_DIR DATA_DIR
# To refresh a golden file after a deliberate change of wording:
#   build/zarvik-pl --derivation tests/interpreter/data/derivaciones.txt > .../derivaciones.esperado
#   build/zarvik-pl --prove tests/interpreter/data/argumentos.txt > .../argumentos.demostrado
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

"$pl" --derivation "$data/derivaciones.txt" >"$work/verdicts"
status=$?
check "one verdict line per derivation, as the golden file has them" \
    cmp -s "$work/verdicts" "$data/derivaciones.esperado"
check "a file with a faulty derivation ends with status 1" [ "$status" -eq 1 ]

"$pl" --prove "$data/argumentos.txt" >"$work/proved"
status=$?
check "each argument with its derivation, as the golden file has them" \
    cmp -s "$work/proved" "$data/argumentos.demostrado"
check "an invalid argument among them ends with status 1" [ "$status" -eq 1 ]
"$pl" --derivation "$work/proved" >"$work/rechecked"
status=$?
check "what --prove writes, --derivation accepts" \
    sh -c '[ "$(grep -c . "$1")" -eq 6 ] && ! grep -qv "^correcta$" "$1"' sh "$work/rechecked"
check "and ends with status 0" [ "$status" -eq 0 ]

printf '%s\n' '□p ⊢ □□p' '1. □p :PR' '    2. □ :AS' '    3. □p :R4 1' '4. □□p :□I 2-3' >"$work/s4.txt"
check "R4 is wrong in K, the default" \
    sh -c '"$1" --derivation "$2" | grep -q "^incorrecta	línea 3: R4 no vale en K"' sh "$pl" "$work/s4.txt"
check "--system S4 makes it right" sh -c '[ "$("$1" --derivation --system S4 "$2")" = correcta ]' \
    sh "$pl" "$work/s4.txt"
check "--system goes before the mode too" \
    sh -c '[ "$("$1" --system S4 --derivation "$2")" = correcta ]' sh "$pl" "$work/s4.txt"

check "a derivation in 1252 bytes with the palette's arrows is read" \
    sh -c '[ "$("$1" --derivation "$2")" = correcta ]' sh "$pl" "$data/derivacion1252.txt"

"$pl" --derivation "$work/missing.txt" >/dev/null 2>&1
check "a file that cannot be read ends with status 2" [ $? -eq 2 ]
"$pl" --prove >/dev/null 2>&1
check "no file ends with status 2" [ $? -eq 2 ]
"$pl" --derivation --system X "$data/derivaciones.txt" >/dev/null 2>&1
check "an unknown system ends with status 2" [ $? -eq 2 ]

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
