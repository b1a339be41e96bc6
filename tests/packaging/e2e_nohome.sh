#!/bin/bash
# The installed program, started by a user whose home does not exist (nobody, HOME=/nonexistent):
# the registration error names the key it could not set, and "Compilar Programa" says in Spanish
# which folder it cannot write, and why, instead of failing on entrada.txt without a word.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
. "$ZV_SOURCE_DIR/tests/run/e2e_program.sh"
e2e_require
command -v xclip >/dev/null 2>&1 || { echo "SKIP: no xclip to read the message boxes"; exit 77; }
home=/nonexistent
[ ! -e "$home" ] || { echo "SKIP: $home exists on this machine"; exit 77; }

e2e_workdir
trap 'e2e_stop; chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; e2e_screenshot "$dir/../zarvik-e2e-nohome-failure.png"; exit 1; }

inst="$dir/inst/usr"
cmake --install "$ZV_BUILD_DIR" --prefix "$inst" >"$dir/install.log" 2>&1 ||
  { cat "$dir/install.log"; fail "install"; }
chmod -R a-w "$dir/inst"
as_user=
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null 2>&1 || { echo "SKIP: no setpriv to leave root"; exit 77; }
  chmod 755 "$dir"
  as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups --"
fi

clipboard_changed() {
  now=$(xclip -o -selection clipboard 2>/dev/null)
  [ -n "$now" ] && [ "$now" != "$before" ]
}
# box_text: the text of the message box captioned "Zarvik", through its own Ctrl+C; then OK.
box_text() {
  box=$(e2e_wait_window '^Zarvik$' 60) || { echo "no message box"; return 1; }
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  sleep 0.3
  before=$(xclip -o -selection clipboard 2>/dev/null)
  e2e_key ctrl+c
  e2e_until 60 clipboard_changed
  xclip -o -selection clipboard 2>/dev/null
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  e2e_key Return
}

E2E_COMMAND="$as_user env -i HOME=$home DISPLAY=$DISPLAY PATH=/usr/bin:/bin LANG=C.UTF-8
             XDG_DATA_DIRS=$inst/share:/usr/share $inst/bin/zarvik"
# The registration fails while the main window is being shown, so the box comes first.
E2E_CAPTION='^Zarvik$' e2e_start "$dir"
said=$(box_text) || fail "no registration error at start-up"
case "$said" in
*"Failed to set data for '.zvk'"*) ;;
*) fail "the registration error reads: $said" ;;
esac
APP_WIN=$(e2e_wait_window 'Zarvik - Editor de Lógica' 120) || fail "no main window after the error"
xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true
sleep 0.5
height=$(xdotool getwindowgeometry "$APP_WIN" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
MENU_H=20
[ -n "$height" ] && [ "$height" -gt 246 ] && [ "$height" -lt 300 ] && MENU_H=$((height - 246))

run_new_program
e2e_type "p V ~p"
run_compile
said=$(box_text) || fail "Compilar Programa said nothing"
case "$said" in
*"No se puede escribir en $home/.local/share/zarvik : "?*) ;;
*) fail "Compilar Programa said: $said" ;;
esac
sleep 1
if e2e_wait_window "$RESULTS_TITLE" 1 >/dev/null; then
  fail "a results window opened"
fi
echo "PASS: $(printf '%s' "$said" | grep 'No se puede')"
