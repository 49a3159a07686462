#!/usr/bin/env bash
# Runs every fuzz target of build/fuzz for the given seconds (default 60),
# starting from its seed corpus in tests/fuzz/corpus/<target>/ when there is
# one. A crash fails the run and leaves the input in build/fuzz/crashes/.
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
mkdir -p "$QV_ROOT/build/fuzz/crashes"
shopt -s nullglob
for fuzzer in "$QV_ROOT"/build/fuzz/bin/fuzz_*; do
  name=$(basename "$fuzzer")
  work="$QV_ROOT/build/fuzz/corpus/$name"
  mkdir -p "$work"
  seeds=()
  [ -d "$QV_ROOT/tests/fuzz/corpus/$name" ] && seeds+=("$QV_ROOT/tests/fuzz/corpus/$name")
  echo "fuzz: $name"
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    -artifact_prefix="$QV_ROOT/build/fuzz/crashes/$name-" "$work" "${seeds[@]}" >"$QV_ROOT/build/fuzz/$name.log" 2>&1 || {
      tail -n 40 "$QV_ROOT/build/fuzz/$name.log"; echo "fuzz: $name FAILED"; exit 1; }
done
