#!/bin/sh
# What starting the engine's worker costs: 200 runs of zarvik-logic, each started, given a
# one-line check and ended, against 200 runs of /bin/true. Usage: worker_start.sh BUILD_DIR
set -eu
build=${1:-build}
worker="$build/zarvik-logic"
[ -x "$worker" ] || { echo "no $worker"; exit 1; }
runs=200
text='p ∨ ¬p'
request="check 1 K 0 1 $(printf '%s' "$text" | wc -c)
$text"
ms() { date +%s%N; }
start=$(ms)
i=0
while [ $i -lt $runs ]; do printf '%s' "$request" | "$worker" >/dev/null; i=$((i + 1)); done
worker_ns=$(( $(ms) - start ))
start=$(ms)
i=0
while [ $i -lt $runs ]; do /bin/true; i=$((i + 1)); done
true_ns=$(( $(ms) - start ))
echo "worker: start, one check and exit: $((worker_ns / runs / 1000)) µs per run"
echo "/bin/true, for scale:              $((true_ns / runs / 1000)) µs per run"
