#!/bin/bash
# No reflex loses work, on an X server with a window manager: Escape and the close box leave the
# unsaved-changes prompt waiting, F3 and Enter do not replace another file unasked, and a
# document named on the command line opens.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
e2e_require
command -v xprop >/dev/null 2>&1 || { echo "SKIP: no xprop"; exit 77; }

e2e_workdir
fail() { echo "FAIL: $*"; e2e_screenshot "$dir/../zarvik-e2e-reflexes-failure.png"; exit 1; }

# The close box belongs to a window manager: openbox, started here unless one runs already. (A
# window manager that has gone leaves its check window's id behind on the root window.)
wm_running() {
  id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
  [ -n "$id" ] && xprop -id "$id" >/dev/null 2>&1
}
wm_pid=
if ! wm_running; then
  command -v openbox >/dev/null 2>&1 || { echo "SKIP: no window manager (openbox)"; exit 77; }
  HOME="$dir" openbox >/dev/null 2>&1 &
  wm_pid=$!
  e2e_until 60 wm_running
  wm_running || fail "openbox did not start"
fi
trap 'e2e_stop; [ -n "$wm_pid" ] && kill "$wm_pid"; rm -rf "$dir"' EXIT

SAVE_TITLE='^(Guardar como|Save As)$'
OPEN_TITLE='^(Abrir|Open)$'
activate() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null
  sleep 0.4
}
focus_window() { w=$(e2e_wait_window "$1" 60) || fail "no window \"$1\""; activate "$w"; }
captioned() { [ "$(caption)" = "$1" ]; }
prompt_open() { e2e_wait_window '^Atención$' 2 >/dev/null; }
caption() { xdotool getwindowname "$APP_WIN"; }
# save_as PATH: F3, the name typed over the proposed one, Enter.
save_as() {
  activate "$APP_WIN"; e2e_key F3; focus_window "$SAVE_TITLE"
  e2e_key ctrl+a; e2e_type "$1"; e2e_key Return; e2e_wait_saved "$1"
}
# escape_and_close_leave_the_prompt: the prompt survives Escape and the window manager's close.
escape_and_close_leave_the_prompt() {
  focus_window '^Atención$'
  e2e_key Escape; sleep 0.4
  prompt_open || fail "Escape answered the prompt ($1)"
  focus_window '^Atención$'
  xdotool key alt+F4; sleep 0.6
  prompt_open || fail "the close box answered the prompt ($1)"
  kill -0 "$APP_PID" 2>/dev/null || fail "Zarvik ended ($1)"
}

e2e_start "$dir"

# 1. a.zvk saved, b.zvk opened and edited: F3 and Enter ask first; No shows the dialog again,
#    Escape cancels it, and a.zvk keeps its text.
e2e_type "texto a"
save_as "$dir/a.zvk"
[ -f "$dir/a.zvk" ] || fail "a.zvk was not saved"
cp "$dir/a.zvk" "$dir/a.before"
printf '{\\rtf1 texto b}' >"$dir/b.zvk"
activate "$APP_WIN"; e2e_key F2; focus_window "$OPEN_TITLE"
e2e_type "$dir/b.zvk"; e2e_key Return; e2e_until 60 captioned b.zvk
[ "$(caption)" = b.zvk ] || fail "caption after opening b.zvk: $(caption)"
activate "$APP_WIN"; e2e_key End; e2e_type " x"
e2e_key F3; focus_window "$SAVE_TITLE"; e2e_key Return
focus_window '^Atención$'
e2e_key Return
focus_window "$SAVE_TITLE"
e2e_key Escape; sleep 0.5
cmp -s "$dir/a.zvk" "$dir/a.before" || fail "a.zvk was replaced"
[ "$(caption)" = b.zvk ] || fail "caption after the declined save: $(caption)"

# 2. F1 on the changed document: the prompt waits; Sí and a cancelled save keep the text.
activate "$APP_WIN"; e2e_key F1
escape_and_close_leave_the_prompt F1
e2e_key Return
focus_window "$SAVE_TITLE"; e2e_key Escape; sleep 0.5
save_as "$dir/c.zvk"
grep -q 'texto b x' "$dir/c.zvk" || fail "the text was lost after F1: $(cat "$dir/c.zvk")"

# 3. F10 on a changed document: the prompt waits; Sí and a cancelled save keep the editor.
activate "$APP_WIN"; e2e_type " y"; e2e_key F10
escape_and_close_leave_the_prompt F10
e2e_key Return
focus_window "$SAVE_TITLE"; e2e_key Escape; sleep 0.5
kill -0 "$APP_PID" 2>/dev/null || fail "F10 and Escape ended Zarvik"
# The window manager's close does reach the application: it asks, and No ends it.
activate "$APP_WIN"; xdotool key alt+F4
focus_window '^Atención$'; e2e_key n
e2e_until 60 e2e_gone "$APP_PID" || fail "the close box did not close the main window"

# 4. A document named on the command line opens: its name in the caption, its text in the editor.
E2E_CAPTION='^a\.zvk$' e2e_start "$dir" "$dir/a.zvk"
save_as "$dir/d.zvk"
grep -q 'texto a' "$dir/d.zvk" || fail "the document given on the command line: $(cat "$dir/d.zvk")"
echo "PASS"
