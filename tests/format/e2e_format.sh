#!/bin/sh
# End to end on an X server: bold from the "N" toggle, and a palette symbol copied with F7 and
# pasted with F8, saved with F3 through the real save dialog; the file's bytes and fonts checked.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require

e2e_workdir
e2e_start "$dir"

e2e_type "abc def"
e2e_key F5         # Seleccionar Todo
e2e_click_button 208          # SpeedButton24: N, on
e2e_key End
e2e_click_button 208          # N again, off: the text typed next is not bold
e2e_click_button 432          # SpeedButton1: for all
e2e_key shift+Left
e2e_key F7         # Copiar
e2e_key End
e2e_key F8         # Pegar

e2e_key F3
e2e_focus_dialog "$E2E_SAVE_TITLE" || { echo "FAIL: F3 shows no save dialog"; exit 1; }
e2e_type "$dir/format.zvk"
e2e_key Return
e2e_wait_saved "$dir/format.zvk"

f="$dir/format.zvk"
[ -f "$f" ] || { echo "FAIL: F3 saved nothing"; exit 1; }
bytes=$("$ZV_BUILD_DIR/zvkconv" --ansi "$f" | od -An -tx1 | tr -d ' \n')
want=$(printf 'abc def\042\042\r\n' | od -An -tx1 | tr -d ' \n')
[ "$bytes" = "$want" ] || { echo "FAIL: bytes $bytes, expected $want"; exit 1; }
text=$("$ZV_BUILD_DIR/zvkconv" "$f")
[ "$text" = "abc def∀∀" ] || { echo "FAIL: text '$text'"; exit 1; }

# Bold runs over "abc def" alone; both quantifiers are "Symbol" characters written as \u8704.
body=$(tr -d '\r\n' < "$f")
printf "%s\n" "$body" | grep -q '\\b[ \\][^}]*abc def' \
  || { echo "FAIL: 'abc def' not bold"; cat "$f"; exit 1; }
[ "$(grep -o '\\u8704' "$f" | wc -l)" -eq 2 ] \
  || { echo "FAIL: not two quantifiers"; cat "$f"; exit 1; }
grep -q 'Symbol' "$f" || { echo "FAIL: no Symbol font"; exit 1; }
printf "%s\n" "$body" | grep -q '\\b0' || { echo "FAIL: bold never ends"; cat "$f"; exit 1; }
echo "PASS: bold from N and a pasted quantifier saved as abc def∀∀"
