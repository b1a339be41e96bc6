#!/bin/sh
# End to end on an X server: an argument written with the palette in text mode is checked with
# Ctrl+Enter by the engine linked in; a second one is not valid and gets a countermodel;
# Ctrl+Shift+C puts LaTeX on the clipboard; "Exportar…" writes a PDF that carries the symbols.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require
command -v xclip >/dev/null 2>&1 || { echo "SKIP: no xclip to read the clipboard"; exit 77; }
command -v pdftotext >/dev/null 2>&1 || { echo "SKIP: no pdftotext (poppler-utils)"; exit 77; }

CHECK_TITLE="Resultado de la comprobación"
FORALL=432; EXISTS=456; ARROW=360; MODELS=600

# check_text: F5, Ctrl+Enter, then the check window's text, through its own copy, once the
# answer is there (a ceiling of minutes: a busy machine is slow, not wrong).
check_text() {
  e2e_key F5 ctrl+Return
  win=$(e2e_wait_window "$CHECK_TITLE" 300) || { echo "FAIL: no check window"; exit 1; }
  # Without a window manager the main window stays small: the answer goes below it.
  xdotool windowmove --sync "$win" 0 640 2>/dev/null || true
  i=0; text=
  while [ -z "$text" ] && [ "$i" -lt 600 ]; do
    sleep 0.5; i=$((i + 1))
    printf '' | xclip -selection clipboard
    xdotool mousemove --window "$win" 100 100 click 1
    e2e_key ctrl+a ctrl+c
    text=$(xclip -o -selection clipboard 2>/dev/null)
  done
  printf '%s\n' "$text"
  xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true
  e2e_click_at 100 150
}

e2e_workdir
e2e_start "$dir"

e2e_click_button $FORALL; e2e_type "x(Fx "; e2e_click_button $ARROW; e2e_type " Gx), Fa "
e2e_click_button $MODELS; e2e_type " Ga"
answer=$(check_text)
printf '%s\n' "$answer" | grep -q '^Argumento válido' || {
  echo "FAIL: the first argument is not valid"; printf '%s\n' "$answer"; exit 1; }

e2e_key F5 F9
e2e_click_button $FORALL; e2e_type "x"; e2e_click_button $EXISTS; e2e_type "y Rxy "
e2e_click_button $MODELS; e2e_type " "; e2e_click_button $EXISTS; e2e_type "y"
e2e_click_button $FORALL; e2e_type "x Rxy"
answer=$(check_text)
printf '%s\n' "$answer" | grep -q '^Argumento no válido' && printf '%s\n' "$answer" | grep -q 'Dominio' || {
  echo "FAIL: the second argument is not refuted by a countermodel"; printf '%s\n' "$answer"; exit 1; }

e2e_key F5 ctrl+shift+c
latex=$(xclip -o -selection clipboard)
case "$latex" in *'\forall'*'\models'*) ;; *) echo "FAIL: clipboard '$latex'"; exit 1 ;; esac

# "Exportar…" is the last item of "Archivo".
e2e_click_at 20 $((MENU_H / 2))
e2e_key Up Return
sleep 1.5
e2e_type "$dir/argumento.pdf"
e2e_key Return
i=0
while [ ! -s "$dir/argumento.pdf" ] && [ "$i" -lt 3000 ]; do sleep 0.1; i=$((i + 1)); done
text=$(pdftotext "$dir/argumento.pdf" -)
case "$text" in *'∀x'*'⊨'*) ;; *) echo "FAIL: the PDF's text is '$text'"; exit 1 ;; esac
[ -n "${E2E_SCREENSHOT:-}" ] && e2e_screenshot "$E2E_SCREENSHOT"
echo "PASS: checked in place, copied as LaTeX and exported as PDF"
