#!/bin/sh
# zarvik-pl's command line: an option it does not know is refused before any file is opened, so
# that the user's document named after it is never written over; --help prints the usage.
set -u
pl=${1:?usage: tst_options.sh BUILD-DIR}/zarvik-pl
work=$(mktemp -d "${TMPDIR:-/tmp}/zarvik-options.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

printf 'p -> q\r\np\r\n' >hoja.txt
cp hoja.txt original.txt

for opt in --wrk -x --verdic --help=1; do
    "$pl" "$opt" hoja.txt >out 2>err
    status=$?
    [ $status -eq 2 ] || fail "$opt hoja.txt: exit $status, not 2"
    cmp -s hoja.txt original.txt || fail "$opt hoja.txt changed the file"
    grep -q "opción desconocida: $opt" err || fail "$opt: no message ($(cat err))"
done
"$pl" hoja.txt --wrk >out 2>err
[ $? -eq 2 ] && cmp -s hoja.txt original.txt || fail "hoja.txt --wrk wrote over the file"
"$pl" --wrk >out 2>err
[ $? -eq 2 ] || fail "--wrk alone was not refused"
[ ! -e salida.log ] || fail "--wrk alone wrote salida.log"

for opt in --help -h; do
    "$pl" "$opt" >out 2>err
    [ $? -eq 0 ] || fail "$opt: exit status not 0"
    grep -q '^uso: zarvik-pl' out || fail "$opt printed no usage"
    for known in --verdict --derivation --prove --system --times; do
        grep -q -- "$known" out || fail "$opt: the usage does not name $known"
    done
done

# What worked before still works.
"$pl" hoja.txt salida.log >out 2>err
[ -s salida.log ] || fail "zarvik-pl IN OUT wrote no log"
cmp -s hoja.txt original.txt || fail "zarvik-pl IN OUT changed its input"
printf 'p ∨ ¬p\n' >f.txt
"$pl" --verdict --system S4 f.txt >out 2>err || fail "--verdict --system S4: exit $?"
grep -q 'válido' out || fail "--verdict gave no verdict: $(cat out)"

[ $failures -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $((failures != 0))
