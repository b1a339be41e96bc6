#!/bin/sh
# PL.bat as the editor starts it: by its full path, from another working directory, in a folder
# whose name has a space. Usage: tst_plbat.sh BUILD_DIR DATA_DIR
set -u
build=$1
data=$2
fails=0
passes=0
check() { # name, then a command that must succeed
    name=$1
    shift
    if "$@"; then passes=$((passes + 1)); echo "PASS $name"; else fails=$((fails + 1)); echo "FAIL $name"; fi
}

if [ ! -x "$build/zarvik-pl" ]; then
    echo "FAIL zarvik-pl is not built in $build"
    exit 1
fi
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
folder="$work/dos palabras"
elsewhere="$work/otra carpeta"
mkdir -p "$folder" "$elsewhere"
cp "$build/PL.bat" "$build/zarvik-pl" "$folder/"

check "PL.bat beside the editor starts with #! and is executable" \
    sh -c 'head -c 2 "$1" | grep -qx "#!" && [ -x "$1" ]' sh "$build/PL.bat"
check "PL.bat has no CR that would break its #! line" sh -c '! grep -q "$(printf "\r")" "$1"' sh "$build/PL.bat"

printf 'p V \254p\r\n' >"$folder/entrada.txt"
(cd "$elsewhere" && "$folder/PL.bat")
status=$?
check "a good program ends with status 0" [ "$status" -eq 0 ]
check "salida.log lands beside PL.bat" grep -q "$(printf 'Tautolog\355a')" "$folder/salida.log"
check "nothing is written in the working directory" [ ! -e "$elsewhere/salida.log" ]

printf 'p & #q\r\n' >"$folder/entrada.txt"
(cd "$elsewhere" && "$folder/PL.bat")
status=$?
check "a program with an error ends with the interpreter's status 1" [ "$status" -eq 1 ]
check "the error is in salida.log" grep -q "$(printf 'Error en la l\355nea 1, columna 5')" "$folder/salida.log"

# The editor runs a batch file without an exec bit through /bin/sh, with a relative $0 at times.
(cd "$folder" && sh PL.bat)
check "sh PL.bat from its own folder works too" [ $? -eq 1 ]

cp "$data/../../ejemplo.txt" "$folder/entrada.txt"
(cd / && "$folder/PL.bat")
check "the sample program's log matches the golden file" cmp -s "$folder/salida.log" "$data/ejemplo.salida.log"

rm "$folder/entrada.txt"
(cd "$elsewhere" && "$folder/PL.bat")
status=$?
check "a missing entrada.txt ends with status 2" [ "$status" -eq 2 ]
check "and says so in salida.log" grep -q "No se puede leer el programa" "$folder/salida.log"

rm "$folder/zarvik-pl"
(cd "$elsewhere" && "$folder/PL.bat")
status=$?
check "a missing interpreter ends with status 127" [ "$status" -eq 127 ]
check "and says so in salida.log, in Windows-1252" \
    grep -q "$(printf 'No se encontr\363 el int\351rprete')" "$folder/salida.log"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
