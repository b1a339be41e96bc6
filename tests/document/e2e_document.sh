#!/bin/bash
# The document commands end to end, on an X server, keyboard only: type, save through the real
# dialog, New without a prompt, reopen, print, and leave through the prompt.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require

e2e_workdir
fail() { echo "FAIL: $*"; e2e_screenshot "$dir/../zarvik-e2e-doc-failure.png"; exit 1; }

# Titles of the platform's dialogs, Spanish when the translations are installed.
SAVE_TITLE='^(Guardar como|Save As)$'
OPEN_TITLE='^(Abrir|Open)$'

# focus_main: gives the keyboard back to the main window; without a window manager nobody else does.
focus_main() { xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true; sleep 0.2; }

# focus_dialog TITLE: waits for a dialog of the application and gives it the keyboard.
focus_dialog() {
  w=$(e2e_wait_window "$1" 60) || fail "no window \"$1\""
  xdotool windowfocus --sync "$w" 2>/dev/null || true
  sleep 0.3
}

app_windows() {
  xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | while read -r w; do
    xdotool getwindowname "$w"; done
}
only_main() { [ "$(app_windows | wc -l)" = 1 ]; }
captioned() { [ "$(xdotool getwindowname "$APP_WIN")" = "$1" ]; }

e2e_start "$dir"

# 1. A line with a symbol ("¬" is typed as it stands), F3, a name without extension, Enter.
e2e_type "Todos ¬p"
e2e_key F3
focus_dialog "$SAVE_TITLE"
e2e_type "$dir/tema1"
e2e_key Return
e2e_wait_saved "$dir/tema1.zvk"
e2e_until 60 captioned tema1.zvk

# 2. The default extension was added and the file is RTF holding the text.
[ -f "$dir/tema1.zvk" ] || fail "tema1.zvk was not written: $(ls "$dir")"
head -c 6 "$dir/tema1.zvk" | grep -q '^{\\rtf1' || fail "tema1.zvk is not RTF"
grep -q "Todos \\\\'acp" "$dir/tema1.zvk" || fail "tema1.zvk lacks the text: $(cat "$dir/tema1.zvk")"
[ "$(xdotool getwindowname "$APP_WIN")" = tema1.zvk ] || fail "caption after save: $(xdotool getwindowname "$APP_WIN")"
if command -v soffice >/dev/null 2>&1; then
  cp "$dir/tema1.zvk" "$dir/lo.rtf"
  (cd "$dir" && HOME="$dir" timeout 120 soffice --headless --convert-to txt:Text --outdir "$dir" lo.rtf >/dev/null 2>&1)
  grep -q 'Todos ¬p' "$dir/lo.txt" || fail "LibreOffice reads: $(cat "$dir/lo.txt" 2>/dev/null)"
else
  echo "note: LibreOffice is not installed; its reading of the file is not checked"
fi

# 3. The document was just saved: F1 clears it without a prompt. Typed into, it does prompt: the
#    keys do reach the window. "n" answers No.
focus_main
e2e_key F1
sleep 0.7
[ "$(app_windows | wc -l)" = 1 ] || fail "F1 after a save showed: $(app_windows)"
e2e_type "x"
e2e_key F1
focus_dialog '^Atención$'
e2e_key n
e2e_until 60 only_main || fail "the prompt is still open: $(app_windows)"

# 4. The open dialog takes a name that does not exist; the load reports it. Then F2 opens a copy,
#    named in the caption without its folder.
focus_main
e2e_key F2
focus_dialog "$OPEN_TITLE"
e2e_type "$dir/falta"
e2e_key Return
focus_dialog '^Zarvik$'
e2e_key Return
e2e_until 60 only_main || fail "still open after the error report: $(app_windows)"
cp "$dir/tema1.zvk" "$dir/copia.zvk"
focus_main
e2e_key F2
focus_dialog "$OPEN_TITLE"
e2e_type "$dir/copia.zvk"
e2e_key Return
e2e_until 60 captioned copia.zvk
[ "$(xdotool getwindowname "$APP_WIN")" = copia.zvk ] || fail "caption after open: $(xdotool getwindowname "$APP_WIN")"
focus_main

# 5. F4 prints on the default printer: a PDF from the cups-pdf queue, or the platform's error.
if lpstat -r 2>/dev/null | grep -q 'scheduler is running' && lpstat -d 2>/dev/null | grep -q 'destination:'; then
  pdfdir=$("$ZV_SOURCE_DIR/scripts/cups.sh" pdfdir)
  before=$(ls "$pdfdir" 2>/dev/null | sort)
  e2e_key F4
  pdf=
  for _ in $(seq 360); do
    pdf=$(comm -13 <(echo "$before") <(ls "$pdfdir" 2>/dev/null | sort) | grep '\.pdf$' | head -n 1)
    [ -n "$pdf" ] && pdftotext "$pdfdir/$pdf" - 2>/dev/null | grep -q 'Todos ¬p' && break
    sleep 0.5
  done
  [ -n "$pdf" ] || fail "no PDF in $pdfdir"
  pdftotext "$pdfdir/$pdf" - | grep -q 'Todos ¬p' || fail "the PDF reads: $(pdftotext "$pdfdir/$pdf" -)"
  rm -f "$pdfdir/$pdf"
else
  echo "note: no CUPS default printer; checking the error report instead"
  e2e_key F4
  focus_dialog '^Zarvik$'
  e2e_key Return
  focus_main
fi

# 6. A change, then F10: the prompt; Yes saves through the dialog and the application ends.
focus_main
e2e_key End
e2e_type " y q"
e2e_key F10
focus_dialog '^Atención$'
e2e_key Return
focus_dialog "$SAVE_TITLE"
e2e_type "$dir/final"
e2e_key Return
e2e_until 60 e2e_gone "$APP_PID" || fail "the application is still running after F10"
grep -q 'y q' "$dir/final.zvk" || fail "final.zvk lacks the change: $(cat "$dir/final.zvk" 2>/dev/null)"
echo "PASS"
