#!/bin/sh
# End to end on an X server: a worksheet of prose, numbered exercises, formulas of each class,
# arguments, two derivations (one faulty) and a syntax error, checked with Ctrl+A, Ctrl+Enter:
# the marks in the margin on the right lines with their tooltips (written by the margin's test
# hook), and a save after the check gives the bytes of a save before it.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require

e2e_workdir
cp "$ZV_SOURCE_DIR/tests/check/data/hoja.rtf" "$dir/hoja.zvk"
export ZARVIK_TEST_MARKS="$dir/marks.txt"
E2E_CAPTION="hoja.zvk" e2e_start "$dir" hoja.zvk

e2e_key ctrl+s
sleep 0.5
cp "$dir/hoja.zvk" "$dir/before.zvk"
e2e_key ctrl+a ctrl+Return
i=0
# A ceiling of minutes: a busy machine is slow, not wrong.
while [ "$i" -lt 3000 ] && [ "$(wc -l < "$dir/marks.txt" 2>/dev/null || echo 0)" -lt 10 ]; do
  sleep 0.1; i=$((i + 1))
done
[ -n "${E2E_SHOTS:-}" ] && e2e_screenshot "$E2E_SHOTS/worksheet.png"
marks=$(cut -f1,2 "$dir/marks.txt" | tr '\t\n' ' ,')
expected="3 ✔,4 ✘,5 ◐,6 ✔,8 ✔,11 ✔,12 ✘,13 ✔,18 ✘,19 !,"
[ "$marks" = "$expected" ] || { printf "FAIL: marks '%s', expected '%s'\n" "$marks" "$expected"; cat "$dir/marks.txt"; exit 1; }
grep -q "^5	◐	Contingencia$" "$dir/marks.txt" || { echo "FAIL: line 5's tooltip"; cat "$dir/marks.txt"; exit 1; }
grep -q "^18	✘	Línea 5: la línea 4 está dentro de una subderivación ya cerrada" "$dir/marks.txt" \
  || { echo "FAIL: the faulty derivation's tooltip"; cat "$dir/marks.txt"; exit 1; }

# The marks are a view: saved again, the file is what it was.
xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true
e2e_click_at 200 $((MENU_H + 60))
e2e_key ctrl+s
sleep 0.5
cmp -s "$dir/before.zvk" "$dir/hoja.zvk" || { echo "FAIL: the save after the check differs"; exit 1; }
echo "PASS: a worksheet checked in one pass, its marks on the right lines, the file unchanged"
