#!/bin/bash
# The installed program, started by an ordinary user from a read-only installation: no error, its
# marker and working files in that user's data folder, nothing written to the installation nor
# to the user's folder where the installation provides it, "Compilar Programa" shows the
# shipped interpreter's answer, and Shift+F1 shows the manual.
set -u
. "$ZV_SOURCE_DIR/tests/common/e2e.sh"
. "$ZV_SOURCE_DIR/tests/run/e2e_program.sh"
e2e_require
run_require_helper

e2e_workdir
trap 'e2e_stop; chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; e2e_screenshot "$dir/../zarvik-e2e-installed-failure.png"; exit 1; }

inst="$dir/inst/usr"
cmake --install "$ZV_BUILD_DIR" --prefix "$inst" >"$dir/install.log" 2>&1 ||
  { cat "$dir/install.log"; fail "install"; }
chmod -R a-w "$dir/inst"
home="$dir/home"
mkdir "$home"
# An ordinary user: root starts the program as nobody, anyone else as themselves.
as_user=
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null 2>&1 || { echo "SKIP: no setpriv to leave root"; exit 77; }
  chmod 755 "$dir"
  chown nobody "$home"
  as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups --"
fi
installed_before=$(ls -lR "$dir/inst")

# The installation's share/ stands for the system's data folder, as a package's /usr/share does;
# alone, so that a Zarvik package installed on this machine changes nothing. The user's data and
# configuration are in the temporary home.
E2E_COMMAND="$as_user env -i HOME=$home DISPLAY=$DISPLAY PATH=/usr/bin:/bin LANG=C.UTF-8
             XDG_DATA_DIRS=$inst/share XDG_DATA_HOME=$home/.local/share
             XDG_CONFIG_HOME=$home/.config $inst/bin/zarvik"
e2e_start "$dir"
sleep 1
if w=$(e2e_wait_window '^Zarvik$' 1); then
  fail "an error at start-up: $(xdotool getwindowname "$w")"
fi

data="$home/.local/share"
[ -f "$data/zarvik/Zarvik.cfg" ] || fail "no marker in the user's data folder: $(find "$home")"
for f in applications/zarvik.desktop mime/packages/zarvik.xml \
         icons/hicolor/scalable/apps/zarvik.svg; do
  [ ! -e "$data/$f" ] || fail "the first start wrote $f, which the installation provides"
done

run_new_program
e2e_type "p V ~p"
run_compile
run_wait_results 30
printf 'p V ~p\r\n' >"$dir/expected"
cmp "$data/zarvik/entrada.txt" "$dir/expected" ||
  fail "entrada.txt: $(od -c "$data/zarvik/entrada.txt")"
run_save_results "$home/resultado"
grep -q "$(printf 'Tautolog\355a')" "$home/resultado" ||
  fail "the results window shows: $(od -c "$home/resultado" | head -20)"
run_close_results

# The manual: its page in share/doc, and its window from the menu bar's own key, with no
# source tree or build folder in sight.
[ -s "$inst/share/doc/zarvik/manual.html" ] || fail "no share/doc/zarvik/manual.html"
xdotool windowfocus "$APP_WIN"
e2e_key shift+F1
manual=$(e2e_wait_window '^Manual de Zarvik$' 120) || fail "Shift+F1 opened no manual"
xdotool windowfocus "$manual"
sleep 0.3
e2e_key Escape
e2e_until 120 sh -c "! xdotool search --onlyvisible --name '^Manual de Zarvik\$' >/dev/null" ||
  fail "Escape left the manual open"

[ "$(ls -lR "$dir/inst")" = "$installed_before" ] || fail "the installation changed"
echo "PASS"
