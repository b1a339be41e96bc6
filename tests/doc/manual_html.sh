#!/bin/sh
# The HTML page that make install puts in share/doc/zarvik: the whole manual, every heading a
# heading of the page, readable by a browser from disk.
set -u
html=${1:?usage: manual_html.sh MANUAL.html MANUAL.md}
manual=${2:?usage: manual_html.sh MANUAL.html MANUAL.md}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -s "$html" ] || { echo "FAIL: $html was not built"; exit 1; }

grep -q '<meta charset="utf-8"' "$html" || fail "the page does not say it is UTF-8"
grep -q '<html lang="es">' "$html" || fail "the page does not say it is Spanish"
grep -q '<title>Manual de Zarvik</title>' "$html" || fail "no title"
# A face a browser lacks falls back to its generic family, never to the browser's serif.
grep -o "font-family:[^;]*;" "$html" | grep -v -e 'sans-serif;' -e 'font-family:monospace;' |
  while read -r face; do echo "FAIL: a face without its generic family: $face"; done | grep . &&
  failures=$((failures + 1))

# The page's headings are the manual's, in order (entities for < > & undone).
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zarvik-html.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
awk '/^```/ { code = !code; next } !code && /^#+ / { sub(/^#+ +/, ""); gsub(/`/, ""); print }' \
  "$manual" >"$tmp/wanted"
untag() { sed 's/<[^>]*>//g; s/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&amp;/\&/g'; }
grep '<h[1-6][ >]' "$html" | untag >"$tmp/headings"
cmp -s "$tmp/wanted" "$tmp/headings" ||
  fail "the page's headings are not the manual's: $(diff "$tmp/wanted" "$tmp/headings" | head -n 5)"
[ "$(wc -l <"$tmp/wanted")" -gt 20 ] || fail "only $(wc -l <"$tmp/wanted") headings in $manual"
# The last words of the manual are there: nothing was cut.
last=$(grep . "$manual" | tail -n 1 | sed 's/`//g' | cut -c 1-40)
untag <"$html" | grep -qF -- "$last" || fail "the page lacks the manual's end («$last»)"

[ $failures -eq 0 ] && echo "PASS" || echo "$failures failed"
exit $((failures != 0))
