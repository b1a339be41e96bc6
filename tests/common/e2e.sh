# Helpers for end-to-end tests that drive the real Zarvik window on an X server.
# Source it from a test script: . "$ZV_SOURCE_DIR/tests/common/e2e.sh"
# A script exits 77 (skipped) when there is no X server or xdotool.

e2e_require() {
  if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null 2>&1 || ! xdpyinfo >/dev/null 2>&1; then
    echo "SKIP: no X server or xdotool"; exit 77
  fi
  unset QT_QPA_PLATFORM
  # xdotool types a character that no key bears through a key it remaps for a moment; a busy
  # program that reads the key after the mapping is undone gets nothing. ¬ gets a key of its own.
  if command -v xmodmap >/dev/null 2>&1; then xmodmap -e 'keycode 248 = notsign' 2>/dev/null || true; fi
}

# e2e_workdir: makes a fresh folder, $dir, that is removed, with the program stopped, at exit.
e2e_workdir() {
  dir=$(mktemp -d /tmp/zarvik-e2e.XXXXXX)
  trap 'e2e_stop; rm -rf "$dir"' EXIT
}

# e2e_start DIR [ARGUMENT...]: runs a copy of the real binary from DIR (with the first-run marker in
# place unless E2E_KEEP_UNREGISTERED=1) with the ARGUMENTs, or the command E2E_COMMAND from DIR
# instead; waits for the main window, captioned E2E_CAPTION (by default the start-up caption);
# sets APP_PID, APP_WIN and MENU_H, the menu bar's height. The program gets desktop folders of
# its own in DIR/xdg, so that what the machine has installed changes nothing and the user's
# folders stay untouched.
e2e_start() {
  dir=$1; shift
  if [ -z "${E2E_COMMAND:-}" ]; then
    cp "$ZV_BUILD_DIR/Zarvik" "$dir/Zarvik"
    # The engine's worker goes where the editor looks for it: beside it.
    cp "$ZV_BUILD_DIR/zarvik-logic" "$dir/zarvik-logic"
    [ "${E2E_KEEP_UNREGISTERED:-0}" = 1 ] || printf ' \r\n' > "$dir/Zarvik.cfg"
  fi
  mkdir -p "$dir/xdg/data" "$dir/xdg/config" "$dir/xdg/system"
  for _ in 1 2; do
    # shellcheck disable=SC2086
    (cd "$dir" && export XDG_DATA_HOME="$dir/xdg/data" XDG_CONFIG_HOME="$dir/xdg/config" \
      XDG_DATA_DIRS="$dir/xdg/system" && exec ${E2E_COMMAND:-./Zarvik} "$@") >"$dir/zarvik.out" 2>&1 &
    APP_PID=$!
    # An X server without -noreset refuses clients while it resets after its last one left.
    sleep 1
    kill -0 "$APP_PID" 2>/dev/null && break
  done
  APP_WIN=$(e2e_wait_window "${E2E_CAPTION:-Zarvik - Editor de Lógica}" 120) || {
    echo "FAIL: no main window"; kill "$APP_PID" 2>/dev/null; sed 's/^/  zarvik: /' "$dir/zarvik.out"; exit 1; }
  xdotool windowfocus --sync "$APP_WIN" 2>/dev/null || true
  sleep 0.5
  # Restored, the client area below the menu bar is 246 px high; without a window manager the
  # window stays restored, so the menu bar's height follows from the window's.
  height=$(xdotool getwindowgeometry "$APP_WIN" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  if [ -n "$height" ] && [ "$height" -gt 246 ] && [ "$height" -lt 300 ]; then
    MENU_H=$((height - 246))
  else
    MENU_H=20
  fi
}

# e2e_wait_window NAME SECONDS: prints the id of the first visible window whose name matches.
e2e_wait_window() {
  i=0
  while [ "$i" -lt $(( $2 * 10 )) ]; do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1; i=$((i + 1))
  done
  return 1
}

# The waits below poll for what a step must bring about, with ceilings far above what it needs on
# an idle machine: a busy one may take many times as long, and a fixed sleep would guess.

# e2e_until SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; fails
# after SECONDS.
e2e_until() {
  limit=$(( $1 * 10 )); shift
  n=0
  until "$@"; do
    n=$((n + 1)); [ "$n" -lt "$limit" ] || return 1
    sleep 0.1
  done
}

# e2e_saved FILE: FILE is there and the same size twice a tenth of a second apart.
e2e_saved() {
  [ -s "$1" ] || return 1
  s1=$(wc -c < "$1"); sleep 0.1; s2=$(wc -c < "$1" 2>/dev/null)
  [ "$s1" = "$s2" ]
}

# e2e_wait_saved FILE [SECONDS]: waits for e2e_saved FILE, 60 s at most.
e2e_wait_saved() { e2e_until "${2:-60}" e2e_saved "$1"; }

# e2e_wait_rewritten FILE OLDSUM [SECONDS]: waits until FILE's cksum is no longer OLDSUM.
e2e_rewritten() { [ "$(cksum < "$1" 2>/dev/null)" != "$2" ] && e2e_saved "$1"; }
e2e_wait_rewritten() { e2e_until "${3:-60}" e2e_rewritten "$1" "$2"; }

# e2e_focus_dialog NAME [SECONDS]: waits for a visible window whose name matches NAME, 60 s at
# most, and gives it the keyboard; sets DIALOG_WIN.
e2e_focus_dialog() {
  DIALOG_WIN=$(e2e_wait_window "$1" "${2:-60}") || return 1
  xdotool windowfocus --sync "$DIALOG_WIN" 2>/dev/null || true
  sleep 0.3
}

# The platform's file dialogs, Spanish when the translations are installed.
E2E_SAVE_TITLE='^(Guardar como|Save As)$'
E2E_OPEN_TITLE='^(Abrir|Open)$'

# e2e_gone PID: the process has ended.
e2e_gone() { ! kill -0 "$1" 2>/dev/null; }

# e2e_key KEY...: sends keys to the focused window.
e2e_key() { xdotool key --delay 60 "$@"; sleep 0.3; }
e2e_type() { xdotool type --delay 40 "$1"; sleep 0.3; }

# e2e_click_at X Y: clicks the main window at X, Y of its client area.
e2e_click_at() { xdotool mousemove --window "$APP_WIN" "$1" "$2" click 1; sleep 0.3; }

# e2e_click_button LEFT: clicks the centre of the toolbar button whose left edge is LEFT; buttons
# are 23 x 22, 8 px below the toolbar's top.
e2e_click_button() { e2e_click_at $(($1 + 11)) $((MENU_H + 19)); }

e2e_stop() {
  if [ -n "${APP_PID:-}" ] && kill -0 "$APP_PID" 2>/dev/null; then
    kill "$APP_PID" 2>/dev/null; sleep 0.3; kill -9 "$APP_PID" 2>/dev/null || true
  fi
}

e2e_screenshot() { import -window root "$1" 2>/dev/null || true; }
