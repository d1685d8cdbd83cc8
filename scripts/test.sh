#!/usr/bin/env bash
# Builds Velmora and runs every test.
#   scripts/test.sh             the normal build in build/
#   scripts/test.sh --sanitize  the same suite in build-asan/, built with
#                               AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  scripts/build.sh build-asan -DVELMORA_WERROR=ON -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
else
  scripts/build.sh build -DVELMORA_WERROR=ON
  ctest --test-dir build --output-on-failure -j "$jobs"
fi
