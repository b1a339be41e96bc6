#!/bin/sh
# zvkconv against two office programs turning the same 10 MB document into plain text, timed in
# one hyperfine run; prints how many times faster zvkconv is. Goals: 5x AbiWord, 15x LibreOffice.
# Usage: bench/zvkconv_vs.sh [BUILD]   (BUILD holds zvkconv and bench_rtf_load_save)
# Skips, with exit status 0, when hyperfine or both office programs are missing.
set -eu
build=$(cd "${1:-build}" && pwd)

skip() { echo "SKIP: $*"; exit 0; }
command -v hyperfine >/dev/null 2>&1 || skip "hyperfine is not installed"
[ -x "$build/zvkconv" ] || skip "no $build/zvkconv (build the zvkconv target)"
[ -x "$build/bench_rtf_load_save" ] || skip "no $build/bench_rtf_load_save"
abiword=$(command -v abiword || true)
soffice=$(command -v soffice || command -v libreoffice || true)
[ -n "$abiword" ] || [ -n "$soffice" ] || skip "neither abiword nor soffice is installed"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
# The office programs pick their reader by extension; the bytes are those of a .zvk file.
QT_QPA_PLATFORM=offscreen "$build/bench_rtf_load_save" --write "$work/doc.rtf" 10000000
echo "document: $(wc -c <"$work/doc.rtf") bytes"

set -- -n zvkconv "'$build/zvkconv' '$work/doc.rtf' > '$work/zvkconv.txt'"
if [ -n "$abiword" ]; then
  set -- "$@" -n abiword "'$abiword' --to=txt --to-name='$work/abiword.txt' '$work/doc.rtf'"
fi
if [ -n "$soffice" ]; then
  # A profile of its own, made by the warm-up run, so that no user's profile is touched.
  set -- "$@" -n libreoffice "'$soffice' -env:UserInstallation=file://$work/profile --headless \
--convert-to txt:Text --outdir '$work/lo' '$work/doc.rtf' >/dev/null 2>&1"
fi
QT_QPA_PLATFORM=offscreen hyperfine --style basic --warmup 1 --runs 3 \
  --export-csv "$work/times.csv" "$@"

# command,mean,stddev,median,user,system,min,max
awk -F, 'NR > 1 { mean[$1] = $2 }
  END {
    z = mean["zvkconv"]
    printf "zvkconv mean %.3f s\n", z
    if ("abiword" in mean)
      printf "abiword     %.3f s: zvkconv %.1fx faster (goal 5x)\n", mean["abiword"], mean["abiword"] / z
    if ("libreoffice" in mean)
      printf "libreoffice %.3f s: zvkconv %.1fx faster (goal 15x)\n", mean["libreoffice"], mean["libreoffice"] / z
  }' "$work/times.csv"
