#!/bin/sh
# Seeds for fuzz_logic: every line of the engine's test problems, Pelletier's problems and the
# interpreter's sample programs, one file each, and the whole files too. Usage: logic_seeds.sh DIR
set -eu
out=${1:?usage: logic_seeds.sh DIR}
top=$(dirname "$0")/..
mkdir -p "$out"
n=0
for f in "$top"/bench/logic/*.txt "$top"/tests/interpreter/data/*.txt "$top"/interpreter/ejemplo.txt; do
  [ -f "$f" ] || continue
  cp "$f" "$out/whole-$(basename "$f")"
  while IFS= read -r line; do
    n=$((n + 1))
    printf '%s\n' "$line" > "$out/line-$n"
  done < "$f"
done
