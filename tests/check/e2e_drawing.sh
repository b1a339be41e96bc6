#!/bin/sh
# End to end on an X server: Ctrl+Enter on an argument without a proof, then the tab "Dibujo" of
# the check window draws its countermodel, whose LaTeX Ctrl+Shift+C copies; the same for a modal
# formula in S4, drawn as a Kripke model. E2E_SHOTS names a folder for the screenshots.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require
command -v xclip >/dev/null 2>&1 || { echo "SKIP: no xclip to read the clipboard"; exit 77; }

CHECK_TITLE="Resultado de la comprobación"
FORALL=432; EXISTS=456; ARROW=360; BOX=552; DIAMOND=576; MODELS=600
shots=${E2E_SHOTS:-}

# drawing NAME: Ctrl+Enter, the tab "Dibujo", a screenshot, and the drawing's LaTeX, once there
# is a drawing (a ceiling of minutes: a busy machine is slow, not wrong).
drawing() {
  e2e_key F5 ctrl+Return
  win=$(e2e_wait_window "$CHECK_TITLE" 300) || { echo "FAIL: no check window"; exit 1; }
  # Without a window manager the main window stays small: the answer goes below it.
  xdotool windowmove --sync "$win" 0 640 2>/dev/null || true
  xdotool windowsize --sync "$win" 700 380 2>/dev/null || true
  i=0; latex=
  while [ -z "$latex" ] && [ "$i" -lt 600 ]; do
    sleep 0.5; i=$((i + 1))
    # The tab bar is under the menu bar; "Dibujo" is its second tab.
    xdotool mousemove --window "$win" 75 $((MENU_H + 12)) click 1
    sleep 0.3
    xdotool mousemove --window "$win" 300 300 click 1
    printf '' | xclip -selection clipboard
    e2e_key ctrl+shift+c
    latex=$(xclip -o -selection clipboard 2>/dev/null)
  done
  [ -n "$shots" ] && import -window "$win" "$shots/$1.png" 2>/dev/null
  printf '%s\n' "$latex"
  xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true
  e2e_click_at 100 150
}

e2e_workdir
e2e_start "$dir"

# ∀x∃y Rxy ⊨ ∃y∀x Rxy: a countermodel of two elements, R drawn as its matrix.
e2e_click_button $FORALL; e2e_type "x"; e2e_click_button $EXISTS; e2e_type "y Rxy "
e2e_click_button $MODELS; e2e_type " "; e2e_click_button $EXISTS; e2e_type "y"
e2e_click_button $FORALL; e2e_type "x Rxy"
latex=$(drawing countermodel)
case "$latex" in *'{\textbf{Dominio}}'*'{\textbf{R}}'*) ;; *)
  printf "FAIL: the countermodel is not drawn; the drawing's LaTeX is '%s'\n" "$latex"; exit 1 ;; esac
# It says what it shows: the document's line and the verdict.
case "$latex" in *'\textbf{Contramodelo de la línea 1: Argumento no válido}'*) ;; *)
  printf "FAIL: the drawing does not name its line and verdict: '%s'\n" "$latex"; exit 1 ;; esac

# ◇p → □◇p in S4: "Lógica", "Sistema modal", S4 (the sixth system).
e2e_key F5 F9
e2e_key alt+l Down Down Down Right Down Down Down Down Down Return
e2e_click_button $DIAMOND; e2e_type "p "; e2e_click_button $ARROW; e2e_type " "
e2e_click_button $BOX; e2e_click_button $DIAMOND; e2e_type "p"
latex=$(drawing kripke)
case "$latex" in *tikzpicture*'(w0) to[out='*'(w2)'*) ;; *)
  printf "FAIL: the Kripke model is not drawn; the drawing's LaTeX is '%s'\n" "$latex"; exit 1 ;; esac
echo "PASS: a countermodel and a Kripke model drawn in the check window"
