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

cp "$data/../../../interpreter/ejemplo.txt" "$folder/entrada.txt"
(cd / && "$folder/PL.bat")
check "the sample program's log matches the golden file" cmp -s "$folder/salida.log" "$data/ejemplo.salida.log"

rm "$folder/entrada.txt"
(cd "$elsewhere" && "$folder/PL.bat")
status=$?
check "a missing entrada.txt ends with status 2" [ "$status" -eq 2 ]
check "and says so in salida.log" grep -q "No se puede leer el programa" "$folder/salida.log"

# The editor names its working folder; PL.bat still finds zarvik-pl beside itself.
chosen="$work/carpeta elegida"
mkdir -p "$chosen"
printf 'p -> p\r\n' >"$chosen/entrada.txt"
rm -f "$folder/salida.log"
(cd "$elsewhere" && ZARVIK_WORK_DIR="$chosen/" "$folder/PL.bat")
check "ZARVIK_WORK_DIR: entrada.txt is read there and salida.log written there" \
    grep -q "$(printf 'Tautolog\355a')" "$chosen/salida.log"
check "and nothing is written beside PL.bat" [ ! -e "$folder/salida.log" ]

# Links planted at salida.log and at the old fixed temporary name are replaced or ignored, never
# followed; no temporary file is left.
echo precious >"$work/victim"
ln -sf "$work/victim" "$chosen/salida.log"
ln -sf "$work/victim" "$chosen/salida.log.tmp"
ZARVIK_WORK_DIR="$chosen" "$folder/PL.bat"
rm "$chosen/salida.log.tmp"
check "planted links leave their target untouched" grep -qx precious "$work/victim"
check "and salida.log is the new log" \
    sh -c '[ ! -L "$1" ] && grep -q "Tautolog" "$1"' sh "$chosen/salida.log"
check "no temporary file is left behind" \
    sh -c '[ -z "$(ls "$1" | grep "salida.log.")" ]' sh "$chosen"

rm "$folder/zarvik-pl"
ln -sf "$work/victim" "$folder/salida.log"
(cd "$elsewhere" && "$folder/PL.bat")
status=$?
check "a missing interpreter ends with status 127" [ "$status" -eq 127 ]
check "and says so in salida.log, in Windows-1252, without following a link there" \
    sh -c 'grep -q "$(printf "No se encontr\363 el int\351rprete")" "$1" &&
           grep -qx precious "$2"' \
    sh "$folder/salida.log" "$work/victim"
ZARVIK_WORK_DIR="$chosen" "$folder/PL.bat"
check "with ZARVIK_WORK_DIR, the missing-interpreter message goes there" \
    grep -q "No se encontr" "$chosen/salida.log"

# An installed copy: a folder the user cannot write. Only root can play an ordinary user here.
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null &&
    runuser -u nobody -- true 2>/dev/null; then
    installed="$work/instalado"
    mkdir -p "$installed" "$work/datos" "$work/casa"
    cp "$build/PL.bat" "$build/zarvik-pl" "$installed/"
    chmod 755 "$work" "$installed"
    chown nobody "$work/datos" "$work/casa"
    as_nobody() { (cd / && runuser -u nobody -- env -u ZARVIK_WORK_DIR HOME="$work/casa" "$@"); }
    # A relative XDG_DATA_HOME is ignored, as the editor ignores it: ~/.local/share is used.
    as_nobody XDG_DATA_HOME=relativa "$installed/PL.bat"
    check "read-only folder: ~/.local/share/zarvik is created, private, on demand" \
        sh -c '[ "$(stat -c %a "$1")" = 700 ] &&
               grep -q "No se puede leer el programa" "$1/salida.log"' \
        sh "$work/casa/.local/share/zarvik"
    mkdir "$work/datos/zarvik" && chown nobody "$work/datos/zarvik"
    printf 'p V \254p\r\n' >"$work/datos/zarvik/entrada.txt"
    as_nobody XDG_DATA_HOME="$work/datos" "$installed/PL.bat"
    status=$?
    check "read-only folder: the program is read from and answered in \$XDG_DATA_HOME/zarvik" \
        sh -c '[ "$1" -eq 0 ] && grep -q "Tautolog" "$2/salida.log" && [ ! -e "$3/salida.log" ]' \
        sh "$status" "$work/datos/zarvik" "$installed"
    # zarvik-pl itself, told to write where it cannot: status 2 and no temporary file left.
    as_nobody "$installed/zarvik-pl" "$work/datos/zarvik/entrada.txt" "$installed/salida.log" \
        2>"$work/errores"
    status=$?
    check "an unwritable salida.log folder ends with status 2, leaving nothing" \
        sh -c '[ "$1" -eq 2 ] && [ -z "$(ls "$2" | grep salida)" ]' sh "$status" "$installed"
    check "and says so in Spanish, with the system's reason" \
        grep -q "^zarvik-pl: no se puede escribir $installed/salida.log: ." "$work/errores"
else
    echo "SKIP the read-only folder cases: they need root and runuser to run as nobody"
fi

# Root and an installed copy (PREFIX/lib/zarvik), which every user reads: root's working files go
# to a folder of root's own there, and are root's alone, also where the editor names the folder.
if [ "$(id -u)" -eq 0 ]; then
    lib="$work/usr/lib/zarvik"
    mkdir -p "$lib"
    chmod 755 "$lib"
    cp "$build/PL.bat" "$build/zarvik-pl" "$lib/"
    (cd / && env -u ZARVIK_WORK_DIR "$lib/PL.bat")
    check "root, installed copy: lib/zarvik/root is made, 0700, and salida.log in it is 0600" \
        sh -c '[ "$(stat -c %a "$1/root")" = 700 ] && [ "$(stat -c %a "$1/root/salida.log")" = 600 ] &&
               [ ! -e "$1/salida.log" ]' sh "$lib"
    rm "$lib/root/salida.log"
    printf 'p V q\r\n' >"$lib/root/entrada.txt"
    (umask 022 && cd / && ZARVIK_WORK_DIR="$lib/root/" "$lib/PL.bat")
    check "root, installed copy, folder named by the editor: salida.log is 0600" \
        sh -c '[ "$(stat -c %a "$1")" = 600 ] && grep -q Contingencia "$1"' sh "$lib/root/salida.log"
else
    echo "SKIP the installed copy run by root: it needs root"
fi

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
