#!/bin/sh
# Every ```zarvik block of the manual goes through zarvik-pl and must get the answer that its
# opening line promises, so that the manual cannot drift from what the engine reads:
#   ```zarvik veredictos: A, B, …        zarvik-pl --verdict gives these verdicts, in order
#   ```zarvik derivación: correcta, incorrecta línea K, …   zarvik-pl --derivation
#   ```zarvik trabajo: correcta, incorrecta línea K, …   zarvik-pl --work, a piece a line
#   ```zarvik programa: TEXTO | TEXTO    salida.log holds each text
#   ```zarvik demostrable                --prove finds derivations that --derivation accepts
# Usage: manual_examples.sh BUILD-DIR MANUAL.md [--expect-failure]
set -u
build=${1:?usage: manual_examples.sh BUILD-DIR MANUAL.md}
manual=${2:?usage: manual_examples.sh BUILD-DIR MANUAL.md}
pl=$build/zarvik-pl
work=$(mktemp -d "${TMPDIR:-/tmp}/zarvik-manual.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One file per block: NNN.txt holds its lines, NNN.tag its opening line after "zarvik".
awk -v dir="$work" '
  /^```zarvik/ { n++; name = sprintf("%s/%03d", dir, n); tag = $0; sub(/^```zarvik */, "", tag)
                 print tag > (name ".tag"); printf "" > (name ".txt"); inside = 1; next }
  inside && /^```/ { inside = 0; close(name ".txt"); close(name ".tag"); next }
  inside { print > (name ".txt") }
' "$manual"

blocks=0
rules_used=
for txt in "$work"/*.txt; do
  [ -e "$txt" ] || break
  blocks=$((blocks + 1))
  tag=$(cat "${txt%.txt}.tag")
  where="block $blocks ($(head -n 1 "$txt"))"
  case $tag in
    "veredictos: "*)
      want=$(echo "${tag#veredictos: }" | sed 's/, */\n/g')
      got=$("$pl" --verdict "$txt" 2>&1 | cut -f 1)
      [ "$got" = "$want" ] || fail "$where: verdicts '$(echo $got)', the manual says '$(echo $want)'"
      ;;
    "derivación: "*)
      want=$(echo "${tag#derivación: }" | sed 's/, */\n/g')
      got=$("$pl" --derivation "$txt" 2>&1 | sed 's/\t\(línea [0-9]*\):.*/ \1/')
      [ "$got" = "$want" ] || fail "$where: '$(echo $got)', the manual says '$(echo $want)'"
      # The rules of the correct ones, as written after the last colon.
      if [ "$want" = correcta ]; then
        rules_used="$rules_used $(sed -n 's/.*:\([^ :0-9][^ ]*\).*/\1/p' "$txt" | tr '\n' ' ')"
      fi
      ;;
    "trabajo: "*)
      want=$(echo "${tag#trabajo: }" | sed 's/, */\n/g')
      got=$("$pl" --work "$txt" 2>&1 | cut -f 2- | sed 's/\t\(línea [0-9]*\):.*/ \1/')
      [ "$got" = "$want" ] || fail "$where: '$(echo $got)', the manual says '$(echo $want)'"
      ;;
    "programa: "*)
      "$pl" "$txt" "$work/salida.log" >/dev/null 2>&1
      status=$?
      [ $status -le 1 ] || fail "$where: zarvik-pl ended with $status"
      iconv -f CP1252 -t UTF-8 "$work/salida.log" >"$work/salida.utf8" 2>/dev/null ||
        fail "$where: salida.log is not Windows-1252"
      echo "${tag#programa: }" | tr '|' '\n' | sed 's/^ *//; s/ *$//' >"$work/wanted"
      while IFS= read -r text; do
        grep -qF -- "$text" "$work/salida.utf8" || fail "$where: salida.log lacks «$text»"
      done <"$work/wanted"
      ;;
    demostrable)
      "$pl" --prove "$txt" >"$work/proved.txt" 2>&1 || fail "$where: --prove ended with $?"
      ! grep -q '^//' "$work/proved.txt" || fail "$where: an argument got no derivation"
      args=$(grep -c . "$txt")
      got=$("$pl" --derivation "$work/proved.txt" 2>&1)
      [ "$(echo "$got" | grep -c '^correcta$')" = "$args" ] ||
        fail "$where: the derivations of --prove: $(echo $got)"
      ;;
    *) fail "$where: no answer is promised (\`\`\`zarvik $tag)" ;;
  esac
done

# The manual teaches every rule with an example of its own.
for rule in PR AS R '∧I' '∧E' '∨I' '∨E' '→I' '→E' '↔I' '↔E' '¬I' '¬E' X IP DS MT DNE LEM DeM \
            '∀I' '∀E' '∃I' '∃E' '=I' '=E' CQ '⊤I' '□I' '□E' 'Def◇' MC RT R4 R5; do
  echo " $rules_used " | grep -q " $rule " || fail "no correct derivation uses $rule"
done
[ $blocks -ge 30 ] || fail "only $blocks examples were found in $manual"

if [ "${3:-}" = --expect-failure ]; then
  [ $failures -gt 0 ] && { echo "PASS: the wrong manual failed"; exit 0; }
  echo "FAIL: a manual with wrong answers passed"
  exit 1
fi
echo "$blocks examples checked, $failures failed"
exit $((failures != 0))
