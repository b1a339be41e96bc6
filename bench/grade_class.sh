#!/bin/sh
# zarvik-pl --grade on a class of 30 and of 300 submissions of a ten-exercise sheet (tables,
# verdicts, derivations and translations, a third of them with a fault): the wall time of each
# and the time per submission, which should stay flat as the class grows. Goal: 30 in under 10 s.
# Usage: bench/grade_class.sh [BUILD]
set -eu
build=$(cd "${1:-build}" && pwd)
[ -x "$build/zarvik-pl" ] || { echo "SKIP: no $build/zarvik-pl"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

sheet() { # $1: "" for the teacher's sheet, "wrong" for a faulty submission
  n=0
  for pair in "p → q, ¬q ⊨ ¬p" "p → q, q → r ⊨ p → r" "p ∧ q ⊨ q ∧ p" "p ⊨ p ∨ q" "¬¬p ⊨ p"; do
    n=$((n + 1))
    echo "Ejercicio $n (1 punto): $pair"
    [ -z "$1" ] && echo "Solución:"
    if [ "$1" = wrong ] && [ $n -eq 1 ]; then echo "Respuesta: no válido"; else echo "Respuesta: válido"; fi
    echo
  done
  echo "Ejercicio 6 (1 punto): p → q, p ⊢ q"
  [ -z "$1" ] && echo "Solución:"
  printf '1. p → q :PR\n2. p :PR\n3. q :→E 1, 2\n\n'
  echo "Ejercicio 7 (1 punto): p ∨ ¬p"
  [ -z "$1" ] && echo "Solución:"
  printf 'p | ¬p | p ∨ ¬p\nV | F | V\nF | V | V\nRespuesta: tautología\n\n'
  echo "Ejercicio 8 (1 punto): ∀x (P(x) → Q(x)), P(a) ⊨ Q(a)"
  [ -z "$1" ] && echo "Solución:"
  printf 'Respuesta: válido\n\n'
  echo "Ejercicio 9 (1 punto): Formaliza «Si llueve, no salgo»."
  [ -z "$1" ] && echo "Solución:"
  if [ "$1" = wrong ]; then printf 'l → s\n\n'; else printf 's → ¬l\n\n'; fi
  echo "Ejercicio 10 (1 punto): □(p → q) → (□p → □q)"
  [ -z "$1" ] && echo "Solución:"
  printf 'Respuesta: válida\n'
}
sheet "" >"$work/hoja.txt"
for size in 30 300; do
  mkdir "$work/c$size"
  i=0
  while [ $i -lt $size ]; do
    if [ $((i % 3)) -eq 0 ]; then sheet wrong; else sheet right; fi | sed "1i Nombre: Alumno $i" >"$work/c$size/a$(printf %03d $i).txt"
    i=$((i + 1))
  done
  start=$(date +%s.%N)
  "$build/zarvik-pl" --grade "$work/hoja.txt" "$work/c$size" >"$work/c$size.csv"
  end=$(date +%s.%N)
  echo "$size submissions: $(echo "$end - $start" | bc) s, $(echo "scale=4; ($end - $start) / $size" | bc) s each; rows $(($(wc -l <"$work/c$size.csv") - 1)); full marks $(grep -c ',10$' "$work/c$size.csv")"
done
