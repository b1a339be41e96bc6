#!/bin/sh
# The check of the manual's examples must fail a manual whose promises are wrong, one fault at a
# time: a verdict turned round, a faulty derivation called correct, a missing text of salida.log,
# a rule left without its example, a block that promises nothing.
set -u
build=${1:?usage: manual_examples_selftest.sh BUILD-DIR MANUAL.md}
manual=${2:?usage: manual_examples_selftest.sh BUILD-DIR MANUAL.md}
here=$(dirname "$0")
work=$(mktemp -d "${TMPDIR:-/tmp}/zarvik-manual-self.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

expect_failure() { # NAME SED-SCRIPT
  sed "$2" "$manual" >"$work/manual.md"
  cmp -s "$work/manual.md" "$manual" && { echo "FAIL: $1: the change did not apply"; failures=$((failures + 1)); return; }
  sh "$here/manual_examples.sh" "$build" "$work/manual.md" --expect-failure >"$work/out" 2>&1 ||
    { echo "FAIL: $1 passed: $(cat "$work/out")"; failures=$((failures + 1)); }
}

expect_failure "a verdict turned round" '0,/^```zarvik veredictos: válido/s//```zarvik veredictos: no válido/'
expect_failure "a faulty derivation called correct" 's/^```zarvik derivación: incorrecta línea 3$/```zarvik derivación: correcta/'
expect_failure "a wrong line of the fault" 's/^```zarvik derivación: incorrecta línea 4$/```zarvik derivación: incorrecta línea 2/'
expect_failure "a text salida.log lacks" 's/^```zarvik programa: Clasificación: Tautología/&, sin duda/'
expect_failure "a rule without its example" '/^#### MT/,/^#### DNE/{/^```zarvik/,/^```$/d}'
expect_failure "a block that promises nothing" '0,/^```zarvik veredictos: [^`]*$/s//```zarvik/'
expect_failure "an argument with no derivation" '/^```zarvik demostrable$/a p ⊢ q'

[ $failures -eq 0 ] && echo "PASS" || echo "$failures faults went unnoticed"
exit $((failures != 0))
