#!/bin/sh
# Hostile input through every reader of the engine: zarvik-pl's program mode and --verdict, and the
# editor's worker zarvik-logic. Deep chains of -> and ~ from 10^4 to 10^6, a 10 MB line, 10^4
# letters and 10^4 quantifiers: an answer within the limits or a Spanish error, never a crash,
# and memory bounded (each run under a 2 GB address-space limit). Usage: tst_hostile.sh BUILD_DIR
set -u
build=$1
fails=0
passes=0
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
check() { # name, then a command that must succeed
    name=$1
    shift
    if "$@"; then passes=$((passes + 1)); echo "PASS $name"; else fails=$((fails + 1)); echo "FAIL $name"; fi
}
# A sanitizer's build reserves terabytes of address space: it runs without the memory limit.
limit=2097152
if nm -C "$build/zarvik-pl" 2>/dev/null | grep -q __asan_init; then limit=unlimited; fi

# chain N SEPARATOR FIRST: FIRST then N-1 more operands.
# Written piece by piece: building the whole line in one string would be quadratic.
chain() { awk -v n="$1" -v sep="$2" 'BEGIN { printf "p0"; for (i = 1; i < n; i++) printf "%sp%d", sep, i % 50; print "" }'; }
repeat() { awk -v n="$1" -v s="$2" 'BEGIN { for (i = 0; i < n; i++) printf "%s", s }'; }

chain 10000 ' -> ' > "$work/chain4.txt"
chain 1000000 ' -> ' > "$work/chain6.txt"
{ repeat 10000 '~'; echo 'p V p'; } > "$work/neg4.txt"
{ repeat 1000000 '~'; echo 'p V p'; } > "$work/neg6.txt"
{ repeat 1310720 'p & q V '; echo r; } > "$work/line10mb.txt"
awk 'BEGIN { printf "p1"; for (i = 2; i <= 10000; i++) printf " V p%d", i; print " V ~p1" }' > "$work/letters4.txt"
awk 'BEGIN { for (i = 1; i <= 10000; i++) printf "∀x%d", i; print "F(x1) ⊨ Fa" }' > "$work/quantifiers4.txt"

# run NAME EXPECTED -- COMMAND...: the command ends by itself (status below 124) within 60 s of
# processor time (a busy machine's wall clock is no measure) under the memory limit, and its
# output holds EXPECTED.
run() {
    what=$1 expected=$2
    shift 3
    ( ulimit -v "$limit"; ulimit -t 60; timeout 900 "$@" ) >"$work/out" 2>"$work/err"
    status=$?
    check "$what: ends by itself (status $status)" [ "$status" -lt 124 ]
    [ -z "$expected" ] || check "$what: says «$expected»" grep -aq -- "$expected" "$work/out"
}
deep="anida más de"
run "zarvik-pl --verdict, -> x 10^4" "válido" -- "$build/zarvik-pl" --verdict "$work/chain4.txt"
run "zarvik-pl --verdict, -> x 10^6" "$deep" -- "$build/zarvik-pl" --verdict "$work/chain6.txt"
run "zarvik-pl --verdict, ~ x 10^4" "no válido" -- "$build/zarvik-pl" --verdict "$work/neg4.txt"
run "zarvik-pl --verdict, ~ x 10^6" "$deep" -- "$build/zarvik-pl" --verdict "$work/neg6.txt"
run "zarvik-pl --verdict, a 10 MB line" "$deep" -- "$build/zarvik-pl" --verdict "$work/line10mb.txt"
run "zarvik-pl --verdict, 10^4 letters" "válido" -- "$build/zarvik-pl" --verdict "$work/letters4.txt"
run "zarvik-pl --verdict, 10^4 quantifiers" "" -- "$build/zarvik-pl" --verdict "$work/quantifiers4.txt"

# Program mode writes salida.log; its messages are in Windows-1252, so only ASCII is looked for.
for f in chain4 chain6 neg6 line10mb letters4; do
    run "program mode, $f" "" -- "$build/zarvik-pl" "$work/$f.txt" "$work/$f.log"
    check "program mode, $f: a whole log" grep -aq "Resumen" "$work/$f.log"
done

# The editor's worker, as the editor asks it.
for f in chain4 chain6 neg6 line10mb letters4; do
    length=$(wc -c < "$work/$f.txt")
    { printf 'check 1 K 0 1 %s\n' "$length"; cat "$work/$f.txt"; } > "$work/$f.request"
    run "zarvik-logic, $f" '"event":"done"' -- sh -c "exec \"$build/zarvik-logic\" < \"$work/$f.request\""
done

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
