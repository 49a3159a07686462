#!/usr/bin/env bash
# Runs the Windows end-to-end test programs (BUILD_DIR/bin/e2e_*.exe) under
# Wine with a private prefix, each with a time-out, and prints how long each
# took. Usage: scripts/e2e.sh [BUILD_DIR]   (default build/mingw)
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$QV_ROOT/build/mingw}" && pwd)
. "$QV_ROOT/scripts/wine-env.sh"
trap qv_wine_stop EXIT
qv_wine_start "$build"
shopt -s nullglob
failed=0; passed=0
tests=("$build"/bin/e2e_*.exe)
if [ ${#tests[@]} -eq 0 ]; then echo "e2e: no test programs in $build/bin"; exit 1; fi
for test in "${tests[@]}"; do
  name=$(basename "$test" .exe)
  echo "e2e: $name"
  start=$(date +%s%3N)
  if (cd "$build/bin" && qv_wine_run 600 "$test"); then
    passed=$((passed + 1)); verdict=ok
  else
    failed=$((failed + 1)); verdict=FAILED
  fi
  elapsed=$(($(date +%s%3N) - start))
  printf 'e2e: %s %s (%d.%03d s)\n' "$name" "$verdict" $((elapsed / 1000)) $((elapsed % 1000))
done
# Pictures the tests kept (BMP, as GDI writes them) also as PNG, for reading.
if [ -x /usr/bin/convert ]; then
  for picture in "$build"/artifacts/*.bmp; do
    /usr/bin/convert "$picture" "${picture%.bmp}.png" && echo "e2e: artefact ${picture%.bmp}.png"
  done
fi
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
