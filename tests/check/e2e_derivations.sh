#!/bin/sh
# End to end on an X server: a worksheet with two derivations, the second wrong at its line 5,
# checked with Ctrl+A and Ctrl+Enter; then "Demostrar" (Ctrl+Shift+Enter) under a new argument
# inserts a derivation that Ctrl+Enter accepts, and one Ctrl+Z gives the document back byte for
# byte. E2E_SHOTS names a folder for the screenshots.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require
command -v xclip >/dev/null 2>&1 || { echo "SKIP: no xclip to read the clipboard"; exit 77; }

CHECK_TITLE="Resultado de la comprobación"
shots=${E2E_SHOTS:-}
fail() { echo "FAIL: $*"; exit 1; }

# check_all SHOT PROVED: Ctrl+A, Ctrl+Enter, then the check window's text, through its own
# copy, once the check is over, its summary heads it and PROVED derivations prove their argument
# (a ceiling of minutes: a busy machine is slow, not wrong).
check_all() {
  e2e_key ctrl+a ctrl+Return
  win=$(e2e_wait_window "$CHECK_TITLE" 300) || fail "no check window"
  xdotool windowmove --sync "$win" 0 640 2>/dev/null || true
  xdotool windowsize --sync "$win" 700 380 2>/dev/null || true
  i=0; text=
  while { ! printf '%s' "$text" | grep -q 'líneas comprobadas' \
      || [ "$(printf '%s\n' "$text" | grep -c 'Derivación correcta: demuestra el argumento')" -lt "$2" ]; } \
      && [ "$i" -lt 600 ]; do
    sleep 0.5; i=$((i + 1))
    printf '' | xclip -selection clipboard
    xdotool mousemove --window "$win" 100 100 click 1
    e2e_key ctrl+a ctrl+c
    text=$(xclip -o -selection clipboard 2>/dev/null)
  done
  [ -n "$shots" ] && [ -n "${1:-}" ] && import -window root "$shots/$1.png" 2>/dev/null
  printf '%s\n' "$text"
  xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true
  e2e_click_at 100 150
}

e2e_workdir
cat >"$dir/hoja" <<'SHEET'
Ejercicio 1
p -> q, p |- q
1. p -> q :PR
2. p :PR
3. q :->E 1, 2

Ejercicio 2
p -> q, q -> r |- p -> r
1. p -> q :PR
2. q -> r :PR
    3. p :AS
    4. q :->E 1, 3
    5. r :->E 1, 4
6. p -> r :->I 3-5
SHEET
# As RTF, so that Ctrl+S saves over the document's own file: one paragraph a line.
{ printf '{\\rtf1\\ansi\n'; sed 's/$/\\par/' "$dir/hoja"; printf '}\n'; } >"$dir/hoja.zvk"
E2E_CAPTION=hoja e2e_start "$dir" "$dir/hoja.zvk"

answer=$(check_all checked 1)
printf '%s\n' "$answer" | grep -q 'Derivación correcta: demuestra el argumento de la línea 2' \
  || { printf '%s\n' "$answer"; fail "the first derivation is not accepted"; }
# Headings name a problem's first line; a fault names the derivation's line: one, the fifth.
faults=$(printf '%s\n' "$answer" | grep '^Línea [0-9]*: ' | grep -v 'derivación de las líneas' \
  | grep -v -e '[⊨⊢]' -e '|-')
case "$faults" in "Línea 5: "*) ;; *) printf '%s\n' "$answer"; fail "faults: '$faults'" ;; esac
[ "$(printf '%s\n' "$faults" | wc -l)" = 1 ] || fail "more than one fault: '$faults'"

# A new argument at the end, saved; Ctrl+Shift+Enter on it.
e2e_key ctrl+End Return Return
e2e_type "p -> q, q -> r |- p -> r"
e2e_key ctrl+s
sleep 0.5
cp "$dir/hoja.zvk" "$dir/antes.zvk"
start=$(date +%s%N)
e2e_key ctrl+shift+Return
# Saved until the derivation is in (a ceiling of minutes).
i=0
while cmp -s "$dir/hoja.zvk" "$dir/antes.zvk" && [ "$i" -lt 600 ]; do
  sleep 0.5; i=$((i + 1))
  e2e_key ctrl+s
done
[ -n "$shots" ] && import -window root "$shots/proved.png" 2>/dev/null
cmp -s "$dir/hoja.zvk" "$dir/antes.zvk" && fail "Demostrar inserted nothing"
[ "$(grep -o ':PR' "$dir/hoja.zvk" | wc -l)" = $(( $(grep -o ':PR' "$dir/antes.zvk" | wc -l) + 2 )) ] \
  || fail "no derivation with two premises in the saved document: $(cat "$dir/hoja.zvk")"
echo "Demostrar and its save took $(( ($(date +%s%N) - start) / 1000000 )) ms (sleeps included)"

answer=$(check_all accepted 2)
[ "$(printf '%s\n' "$answer" | grep -c 'Derivación correcta: demuestra el argumento')" = 2 ] \
  || { printf '%s\n' "$answer"; fail "the inserted derivation is not accepted"; }

e2e_click_at 100 150
e2e_key ctrl+z ctrl+s
sleep 0.5
cmp "$dir/hoja.zvk" "$dir/antes.zvk" || fail "one Ctrl+Z does not give the document back"
echo "PASS: derivations checked on their lines, Demostrar accepted by Comprobar, undone in one step"
