#!/bin/sh
# End to end on an X server, keyboard only: every TeX name typed, a word made bold with Ctrl+B,
# Ctrl+S on a document without a file: the real save dialog; the file read back holds the
# palette's bytes. Then one Ctrl+Z after a name gives the name back, and Ctrl+S saves over the
# file without a dialog.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require

e2e_workdir
e2e_start "$dir"

e2e_type '\forall x \exists y \neg p \lor q \land r \to s \leftrightarrow t \leftarrow u '
e2e_type '\equiv \top \bot \Box \Diamond \models \vdash \Rightarrow \Leftrightarrow '
e2e_key ctrl+b
e2e_type 'negrita'
e2e_key ctrl+b
e2e_type ' \lnot\vee\wedge\rightarrow\bicond\gets\implies\iff.'

e2e_key ctrl+s
e2e_focus_dialog "$E2E_SAVE_TITLE" || { echo "FAIL: Ctrl+S shows no save dialog"; exit 1; }
e2e_type "$dir/teclado.zvk"
e2e_key Return
e2e_wait_saved "$dir/teclado.zvk"

f="$dir/teclado.zvk"
[ -f "$f" ] || { echo "FAIL: Ctrl+S saved nothing"; exit 1; }
bytes=$("$ZV_BUILD_DIR/zvkconv" --ansi "$f" | od -An -tx1 | tr -d ' \n')
# The space that ends a name goes with it.
want=$(printf '\042x \044y \254p Vq &r ->s nt fu \272T^\243\257\367=\367-\336\333negrita \254V&->nf\336\333.\r\n' \
  | od -An -tx1 | tr -d ' \n')
[ "$bytes" = "$want" ] || { echo "FAIL: bytes $bytes, expected $want"; exit 1; }

# Bold starts right before the word and ends right after it.
body=$(tr -d '\r\n' < "$f")
printf '%s\n' "$body" | grep -q '\\b[ \\][^}]*negrita\\b0' \
  || { echo "FAIL: 'negrita' not bold alone"; cat "$f"; exit 1; }
[ "$(printf '%s\n' "$body" | grep -o '\\b[ \\]' | wc -l)" -eq 1 ] \
  || { echo "FAIL: bold elsewhere"; cat "$f"; exit 1; }

# One Ctrl+Z right after a name gives back the name and the space that ended it, and nothing
# more; Ctrl+S then saves over the file that the caption names, asking nothing.
xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true
first=$(cksum < "$f")
e2e_key ctrl+End
e2e_type ' \bot '
e2e_key ctrl+z ctrl+s
e2e_wait_rewritten "$f" "$first"
bytes=$("$ZV_BUILD_DIR/zvkconv" --ansi "$f" | od -An -tx1 | tr -d ' \n')
want=$(printf '%s' "$want" | sed 's/0d0a$//')$(printf ' \\bot \r\n' | od -An -tx1 | tr -d ' \n')
[ "$bytes" = "$want" ] || { echo "FAIL: after Ctrl+Z and Ctrl+S, bytes $bytes, expected $want"; exit 1; }
echo "PASS: 25 names typed, a bold word, Ctrl+S: the palette's bytes read back; Ctrl+Z, Ctrl+S"
