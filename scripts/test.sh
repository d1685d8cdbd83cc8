#!/usr/bin/env bash
# Builds Velmora and runs every test. With --sanitize the whole suite runs
# again in a separate build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

scripts/build.sh build -DVELMORA_WERROR=ON
ctest --test-dir build --output-on-failure -j "$jobs"

if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  scripts/build.sh build-asan -DVELMORA_WERROR=ON -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
fi
