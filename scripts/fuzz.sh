#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and runs each of them for
# SECONDS (default 60), one after the other, on one core.
#   scripts/fuzz.sh [SECONDS] [NAME...]   NAMEs limit the run to those targets
# Prints one line per target. A finding (a crash, a sanitizer report, a leak,
# an input slower than 10 s or one needing over 2 GB) fails the run: its input
# is kept in build-fuzz/findings/NAME/ and the log in build-fuzz/logs/NAME.log.
# Each target starts from its seed corpus fuzz/corpus/NAME/ and from what
# earlier runs found (build-fuzz/corpus/NAME/, never written into the repo).
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
dir=build-fuzz

mkdir -p "$dir"
if ! scripts/build.sh "$dir" -DCMAKE_CXX_COMPILER="${VELMORA_FUZZ_CXX:-clang++}" -DVELMORA_FUZZ=ON \
    >"$dir/build.log" 2>&1; then
  tail -n 40 "$dir/build.log"
  echo "fuzz: the build failed (log: $dir/build.log)"
  exit 2
fi

if [ $# -gt 0 ]; then
  names=("$@")
else
  names=()
  for bin in "$dir"/bin/fuzz-*; do names+=("${bin##*/fuzz-}"); done
fi

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for name in "${names[@]}"; do
  bin=$dir/bin/fuzz-$name
  if [ ! -x "$bin" ]; then
    echo "fuzz $name: no such target"
    failed=1
    continue
  fi
  work=$dir/corpus/$name findings=$dir/findings/$name log=$dir/logs/$name.log
  # Targets that go through files get a scratch folder, in memory where the
  # machine has one: on disk a definition set loads several times slower.
  scratch=$PWD/$dir/tmp/$name
  [ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm/velmora-fuzz-$name-$$
  mkdir -p "$work" "$findings" "$dir/logs" "$scratch"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$findings/")
  [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
  start=$dir/logs/.start-$name
  touch "$start"
  TMPDIR=$scratch "$bin" "${options[@]}" "$work" "fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  rm -rf "$scratch"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#')
  if [ "$status" -eq 0 ]; then
    echo "fuzz $name: ${runs:-0} runs, no finding"
    continue
  fi
  failed=1
  echo "fuzz $name: FINDING after ${runs:-?} runs (exit $status)"
  grep -m 3 -E 'check failed: |ERROR: |runtime error|SUMMARY: |ALARM|out-of-memory|deadly signal' "$log" | sed 's/^/  /'
  find "$findings" -type f -newer "$start" | while read -r input; do
    echo "  input kept in $input; reproduce: $bin $input"
  done
  echo "  log: $log"
done
exit $failed
