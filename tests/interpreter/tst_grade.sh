#!/bin/sh
# A class marked: zarvik-pl --grade prints the golden CSV for a sheet in text and as Zarvik's RTF,
# with submissions as .zvk, another program's RTF, UTF-8 and Windows-1252 text and a file with a
# NUL; the students' copy keeps every exercise and no solution; the submissions' folder is left
# as it was; the exit statuses; the feedback PDFs; hostile RTF does not stop the marking.
# Usage: tst_grade.sh BUILD_DIR DATA_DIR
# To refresh the golden files after a deliberate change of wording:
#   d=tests/interpreter/data/clase; build/zarvik-pl --grade $d/hoja.txt $d/entregas > $d/notas.csv
#   build/zarvik-pl --grade $d/hoja.zvk $d/entregas --comments > $d/comentarios.csv
#   build/zarvik-pl --student-copy $d/hoja.txt $d/alumnos.txt
#   build/zarvik-pl --student-copy $d/hoja.zvk $d/alumnos.zvk
set -u
pl=$1/zarvik-pl
data=$2/clase
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

# The class in a folder of its own, with a subfolder and a hidden file that are nobody's work.
cp -R "$data/entregas" "$work/clase"
mkdir "$work/clase/viejas"
echo basura >"$work/clase/.oculto"
listing() { (cd "$1" && find . -printf '%p %s %T@\n' | sort && find . -type f -exec md5sum {} + | sort); }
listing "$work/clase" >"$work/before"

"$pl" --grade "$data/hoja.txt" "$work/clase" >"$work/notas.csv" 2>"$work/err"
status=$?
check "the marks are the golden CSV" cmp -s "$work/notas.csv" "$data/notas.csv"
check "a file that is no document ends with status 1" [ "$status" -eq 1 ]
check "its reason goes to standard error, in Spanish" \
    grep -q "^zarvik-pl: nulo.txt: no es un documento" "$work/err"
check "nothing but that file's reason goes there" [ "$(wc -l <"$work/err")" -eq 1 ]
check "every row ends with a line feed and no carriage return" \
    sh -c '[ "$(tail -c 1 "$1" | od -An -c | tr -d " ")" = "\\n" ] && ! grep -q "$(printf "\r")" "$1"' \
    sh "$work/notas.csv"

"$pl" --grade "$data/hoja.zvk" "$work/clase" --comments >"$work/comentarios.csv" 2>/dev/null
check "the sheet as Zarvik's RTF marks the same, each comment naming its line" \
    cmp -s "$work/comentarios.csv" "$data/comentarios.csv"
check "the marks of both sheets agree" sh -c \
    '[ "$(cut -d, -f1,2 "$1" | head -2)" = "$(cut -d, -f1,2 "$2" | head -2)" ]' \
    sh "$work/notas.csv" "$work/comentarios.csv"

mkdir "$work/informes"
"$pl" --grade "$data/hoja.txt" "$work/clase" --feedback "$work/informes" >/dev/null 2>&1
check "one PDF per file that was read" [ "$(ls "$work/informes" | wc -l)" -eq 9 ]
check "each PDF is whole" sh -c 'for f in "$1"/*.pdf; do head -c 5 "$f" | grep -q "%PDF-" && tail -c 6 "$f" | grep -q "%%EOF" || exit 1; done' \
    sh "$work/informes"
check "the faulty line of a table is marked in its student's PDF" \
    grep -q ">>    9 V | F | V | V | F" "$work/informes/bruno.pdf"
check "and its comment is there" grep -q "columna" "$work/informes/bruno.pdf"
"$pl" --grade "$data/hoja.txt" "$work/clase" --feedback "$work/clase" >/dev/null 2>&1
check "feedback into the submissions' folder is refused" [ $? -eq 2 ]

listing "$work/clase" >"$work/after"
check "the submissions' folder is unchanged: names, sizes, times and contents" \
    cmp -s "$work/before" "$work/after"

rm "$work/clase/nulo.txt"
"$pl" --grade "$data/hoja.txt" "$work/clase" >/dev/null 2>&1
check "every file read ends with status 0" [ $? -eq 0 ]

# The students' copy.
"$pl" --student-copy "$data/hoja.txt" "$work/alumnos.txt"
check "the text copy is the golden one" cmp -s "$work/alumnos.txt" "$data/alumnos.txt"
"$pl" --student-copy "$data/hoja.zvk" "$work/alumnos.zvk"
check "the RTF copy is RTF still" sh -c 'head -c 6 "$1" | grep -q "{.rtf1"' sh "$work/alumnos.zvk"
check "and holds no solution" sh -c '! grep -qi "soluci" "$1"' sh "$work/alumnos.zvk"
check "its braces still balance" sh -c \
    '[ "$(tr -cd "{" <"$1" | wc -c)" -eq "$(tr -cd "}" <"$1" | wc -c)" ]' sh "$work/alumnos.zvk"
check "and is the golden one: the sheet's bytes less its solutions' paragraphs" \
    cmp -s "$work/alumnos.zvk" "$data/alumnos.zvk"
if [ -x "$1/zvkconv" ]; then
    QT_QPA_PLATFORM=offscreen "$1/zvkconv" "$work/alumnos.zvk" >"$work/alumnos.zvk.txt" 2>/dev/null
    check "the editor reads the RTF copy as the text copy, line for line" \
        cmp -s "$work/alumnos.zvk.txt" "$data/alumnos.txt"
fi
"$pl" --check-sheet "$work/alumnos.zvk" >"$work/copia.check"
check "every exercise is still in the copy, each without its solution" sh -c \
    '[ "$(cut -f1,3 "$1")" = "$(printf "Ejercicio %s\tla hoja no da solución\n" 1 2 3 4)" ]' \
    sh "$work/copia.check"
for e in "p → q, ¬q ⊨ ¬p" "p ∨ ¬p" "p → q, p ⊢ q" "Formaliza «Si llueve, no salgo»."; do
    check "the copy holds the statement $e" grep -qF "$e" "$work/alumnos.txt"
done
cp "$data/hoja.txt" "$work/misma.txt"
"$pl" --student-copy "$work/misma.txt" "$work/misma.txt" 2>/dev/null
check "a copy over its own sheet is refused" sh -c '[ "$1" -eq 2 ] && cmp -s "$2" "$3"' sh $? \
    "$data/hoja.txt" "$work/misma.txt"

# The sheet itself.
"$pl" --check-sheet "$data/hoja.txt" >"$work/hoja.check"
check "every solution of the sheet is right" [ $? -eq 0 ]
printf 'Ejercicio 1: p, q ⊢ r\nSolución:\n1. p :PR\n2. q :PR\n3. r :∧I 1, 2\n' >"$work/imposible.txt"
"$pl" --check-sheet "$work/imposible.txt" >"$work/imposible.check"
check "an impossible exercise is caught before it goes out" sh -c \
    '[ $2 -eq 1 ] && grep -q "^Ejercicio 1	incorrecta	línea 5: " "$1"' sh "$work/imposible.check" $?
printf 'Solo prosa, ningún ejercicio.\n' >"$work/vacia.txt"
"$pl" --grade "$work/vacia.txt" "$work/clase" >/dev/null 2>&1
check "a sheet with no exercise ends with status 2" [ $? -eq 2 ]
"$pl" --grade "$work/falta.txt" "$work/clase" >/dev/null 2>&1
check "a sheet that cannot be read ends with status 2" [ $? -eq 2 ]
"$pl" --student-copy "$work/vacia.txt" "$work/x.txt" >/dev/null 2>&1
check "a copy of a sheet with no exercise ends with status 2" sh -c '[ $1 -eq 2 ] && [ ! -e "$2" ]' \
    sh $? "$work/x.txt"
"$pl" --grade "$data/hoja.txt" >/dev/null 2>&1
check "no folder ends with status 2" [ $? -eq 2 ]

# Malformed and hostile RTF among the submissions: each gets its row and the marking goes on.
mkdir "$work/hostil"
cp "$2"/../../data/rtf/*.rtf "$work/hostil/"
cp "$data/entregas/ana.zvk" "$work/hostil/zz-ana.zvk"
"$pl" --grade "$data/hoja.txt" "$work/hostil" >"$work/hostil.csv" 2>/dev/null
status=$?
check "hostile RTF ends the marking normally" [ "$status" -le 1 ]
check "with a row for each file" \
    [ "$(wc -l <"$work/hostil.csv")" -eq $(($(ls "$work/hostil" | wc -l) + 1)) ]
check "and the last student is marked after them" grep -q "^Ana Pérez,zz-ana.zvk,2,1,1.5,0.5,5$" \
    "$work/hostil.csv"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
