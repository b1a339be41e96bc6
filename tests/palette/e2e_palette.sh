#!/bin/sh
# End to end on an X server: click palette buttons and type in the real window, save with F3
# through the real save dialog, and check the document's bytes and fonts.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require

e2e_workdir
e2e_start "$dir"

e2e_type "x "
e2e_click_button 432          # SpeedButton1: for all
e2e_type "p "
e2e_click_button 288          # SpeedButton3: negation
e2e_type "p "
e2e_click_button 600          # SpeedButton22: turnstile, two codes
e2e_type "q"

e2e_key F3
e2e_focus_dialog "$E2E_SAVE_TITLE" || { echo "FAIL: F3 shows no save dialog"; exit 1; }
e2e_type "$dir/palette.zvk"
e2e_key Return
e2e_wait_saved "$dir/palette.zvk"

[ -f "$dir/palette.zvk" ] || { echo "FAIL: F3 saved nothing"; exit 1; }
head -c 5 "$dir/palette.zvk" | grep -q '{\\rtf' || { echo "FAIL: not RTF"; exit 1; }

bytes=$("$ZV_BUILD_DIR/zvkconv" --ansi "$dir/palette.zvk" | od -An -tx1 | tr -d ' \n')
want=$(printf 'x \042p \254p \367=q\r\n' | od -An -tx1 | tr -d ' \n')
[ "$bytes" = "$want" ] || { echo "FAIL: bytes $bytes, expected $want"; exit 1; }

text=$("$ZV_BUILD_DIR/zvkconv" "$dir/palette.zvk")
[ "$text" = "x ∀p ¬p ⊨q" ] || { echo "FAIL: text '$text'"; exit 1; }
grep -q 'fcharset2 Symbol' "$dir/palette.zvk" || { echo "FAIL: no symbol-charset Symbol font"; exit 1; }
echo "PASS: palette clicks and typing saved as x ∀p ¬p ⊨q"
