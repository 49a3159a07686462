#!/usr/bin/env bash
# Runs every test: native unit tests (sim platform, headless framework), the
# Windows cross build, the end-to-end tests under Wine and short fuzz runs.
# Usage: scripts/test.sh [--fuzz-seconds N]
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$QV_ROOT"
fuzz_seconds=20
[ "${1:-}" = "--fuzz-seconds" ] && fuzz_seconds=$2

scripts/setup.sh
jobs=$(nproc)

echo "== include directions"
scripts/check-includes.py

echo "== native build and unit tests"
cmake --preset native >/dev/null
cmake --build build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== tracer tests under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build build/tsan -j "$jobs" --target qv_tracer_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build/tsan/bin/qv_tracer_tests --gtest_brief=1

echo "== Windows cross build"
cmake --preset mingw >/dev/null
cmake --build build/mingw -j "$jobs"

echo "== end-to-end under Wine"
scripts/e2e.sh

echo "== fuzz targets, ${fuzz_seconds}s each"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j "$jobs"
scripts/fuzz.sh "$fuzz_seconds"
# Every stage above stops the script on a failure; reaching here means all
# six passed.
echo "stages: 6 passed, 0 failed"
