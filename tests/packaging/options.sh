#!/bin/sh
# The three commands' options: each --help names the same options as the command's manual page,
# and an option that a command does not know ends it with status 2 and a Spanish message before
# it opens, let alone writes, any file.
set -u
build=${ZV_BUILD_DIR:?}
pages=${ZV_SOURCE_DIR:?}/packaging
work=$(mktemp -d "${TMPDIR:-/tmp}/zarvik-options.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The options a text names: words that begin with one or two dashes after a space, a bracket,
# a comma or the line's start (so that "zarvik-pl" and "first-run" are no options).
options() {
  sed 's/\\-/-/g; s/\\f[BIRP]//g' | grep -oE '(^|[][ ,("])--?[a-z][a-z0-9-]*|(^|[][ ])--([] ]|$)' |
    sed 's/^[][ ,("]*//; s/[] ]*$//' | sort -u
}

for pair in Zarvik:zarvik.1 zarvik-pl:zarvik-pl.1 zvkconv:zvkconv.1; do
  command=${pair%%:*}
  page=$pages/${pair#*:}
  # A window must never open here: the editor answers --help before it looks for a display.
  env -u DISPLAY QT_QPA_PLATFORM=none "$build/$command" --help >help.out 2>help.err
  [ $? -eq 0 ] || fail "$command --help: exit status not 0 ($(cat help.err))"
  grep -q "^uso: " help.out || fail "$command --help printed no usage: $(cat help.out)"
  options <help.out >help.options
  sed -n '/^\.SH SYNOPSIS/,/^\.SH EXIT STATUS/p' "$page" | grep -v '^\.SH' | options >page.options
  [ -s help.options ] || fail "$command --help names no option"
  missing=$(comm -23 help.options page.options | tr '\n' ' ')
  [ -z "$missing" ] || fail "${page##*/} does not name $missing"
  extra=$(comm -13 help.options page.options | tr '\n' ' ')
  [ -z "$extra" ] || fail "$command --help does not name $extra"

  printf '{\\rtf1 hoja}' >hoja.zvk
  cp hoja.zvk original.zvk
  for opt in --wrk -x --helpme; do
    env -u DISPLAY QT_QPA_PLATFORM=none "$build/$command" "$opt" hoja.zvk >out 2>err
    status=$?
    [ $status -eq 2 ] || fail "$command $opt hoja.zvk: exit status $status, not 2"
    grep -q "^${command}: opción desconocida: $opt" err ||
      grep -q "^$(echo "$command" | tr A-Z a-z): opción desconocida: $opt" err ||
      fail "$command $opt: no Spanish message: $(cat err)"
    cmp -s hoja.zvk original.zvk || fail "$command $opt hoja.zvk changed the file"
  done
done

# zvkconv still reads what it read, after its options.
printf 'p -> q\r\n' >texto.txt
[ "$("$build/zvkconv" texto.txt)" = 'p -> q' ] || fail "zvkconv FILE no longer prints FILE"
"$build/zvkconv" --rtf salida.zvk texto.txt && [ -s salida.zvk ] || fail "zvkconv --rtf OUT FILE"
# The output of --rtf may have any name, even one that looks like an option.
"$build/zvkconv" --rtf ./-x.zvk texto.txt && [ -s ./-x.zvk ] || fail "zvkconv --rtf ./-x.zvk"

[ $failures -eq 0 ] && echo "PASS" || echo "$failures failed"
exit $((failures != 0))
