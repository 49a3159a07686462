#!/usr/bin/env bash
# Runs the Windows end-to-end test programs (build/mingw/bin/e2e_*.exe) under
# Wine with a private prefix, each with a time-out.
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$QV_ROOT/scripts/wine-env.sh"
trap qv_wine_stop EXIT
qv_wine_start
shopt -s nullglob
failed=0; passed=0
for test in "$QV_ROOT"/build/mingw/bin/e2e_*.exe; do
  name=$(basename "$test" .exe)
  echo "e2e: $name"
  if (cd "$QV_ROOT/build/mingw/bin" && timeout 600 wine "$test"); then
    passed=$((passed + 1))
  else
    echo "e2e: $name FAILED"; failed=$((failed + 1))
  fi
done
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
