#!/usr/bin/env bash
# velmora-dump against tshark on the same messages, each on one core:
# velmora-dump reads them as hex lines (--hex, -j 1), tshark as a pcap of
# link type 141 (MTP3, ITU). Each mode runs both programs in turn, ROUNDS
# times, and keeps each program's best time:
#
#   summary   velmora-dump            tshark
#   tree      velmora-dump -v         tshark -V
#   json      velmora-dump --json     tshark -T json
#
# and prints messages per second, the ratio, the ratio of the CPU time both
# used (user and system: what the wall-clock ratio comes to when other
# programs share the core), and peak resident memory; then
# velmora-dump's peak memory on a tenth of the messages and on all of them
# (it should not grow with the input), and -j 1 against -j 2 (all cores).
#
#   bench/vs-tshark.sh [COUNT [SEED]]          velmora-gen's call mix, COUNT
#                                              messages (default 1000000, seed 7)
#   bench/vs-tshark.sh --hex FILE --pcap FILE  the same messages, given
#
#   VELMORA_BUILD_DIR  the build folder (default build)
#   ROUNDS             runs of each program per mode (default 3)
#   CPU                the core both programs run on (default 0)
#   MODES              the modes to run (default "summary tree json")
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELMORA_BUILD_DIR:-build}
rounds=${ROUNDS:-3}
cpu=${CPU:-0}
modes=${MODES:-summary tree json}
dump=$build/bin/velmora-dump
gen=$build/bin/velmora-gen

for program in "$dump" "$gen"; do
  [ -x "$program" ] || { echo "vs-tshark: $program is not built" >&2; exit 2; }
done
command -v tshark > /dev/null || { echo "vs-tshark: tshark is not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" = "--hex" ]; then
  [ $# -eq 4 ] && [ "$3" = "--pcap" ] || { echo "usage: $0 [COUNT [SEED]] | --hex FILE --pcap FILE" >&2; exit 2; }
  hex=$2
  pcap=$4
  source="given: $hex, $pcap"
else
  count=${1:-1000000}
  seed=${2:-7}
  hex=$work/mix.hex
  pcap=$work/mix.pcap
  "$gen" --seed "$seed" --count "$count" --format hex -o "$hex"
  "$gen" --seed "$seed" --count "$count" --format pcap -o "$pcap"
  source="velmora-gen --seed $seed --count $count"
fi
messages=$(grep -c '' "$hex")

velmora_options() {
  case $1 in
    summary) echo "--hex -j 1" ;;
    tree) echo "--hex -j 1 -v" ;;
    json) echo "--hex -j 1 --json" ;;
  esac
}
tshark_options() {
  case $1 in
    summary) echo "" ;;
    tree) echo "-V" ;;
    json) echo "-T json" ;;
  esac
}

# Runs a command on the one core with its output thrown away; prints the
# wall-clock seconds, the peak resident memory in KiB and the CPU seconds.
timed() {
  python3 - "$cpu" "$work/stderr" "$@" << 'PY' || { echo "vs-tshark: failed: ${*}" >&2; cat "$work/stderr" >&2; exit 1; }
import os, subprocess, sys, time
cpu, errors, command = sys.argv[1], sys.argv[2], sys.argv[3:]
with open(os.devnull, 'wb') as out, open(errors, 'wb') as err:
    start = time.monotonic()
    child = subprocess.Popen(['taskset', '-c', cpu] + command, stdout=out, stderr=err)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
cpu_seconds = usage.ru_utime + usage.ru_stime
sys.exit(1) if os.waitstatus_to_exitcode(status) != 0 else print('%.4f %d %.4f' % (seconds, usage.ru_maxrss, cpu_seconds))
PY
}

# The same on every core.
timed_all() {
  cpu=0-$(($(nproc) - 1)) timed "$@"
}

# Arithmetic on decimals.
calc() {
  awk "BEGIN { OFMT = \"%.6f\"; print ($1) }"
}

# Both programs must see every message.
dumped=$("$dump" --hex "$hex" | grep -c '')
dissected=$(tshark -r "$pcap" -o mtp3.standard:ITU 2> /dev/null | grep -c '')
if [ "$dumped" != "$messages" ] || [ "$dissected" != "$messages" ]; then
  echo "vs-tshark: $messages messages, but velmora-dump printed $dumped lines and tshark $dissected" >&2
  exit 1
fi

echo "machine:  $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores"
echo "load:     $(cut -d' ' -f1-3 /proc/loadavg) (before)"
echo "messages: $messages ($source); each program on core $cpu, best of $rounds"
echo
printf '%-8s %16s %16s %8s %10s %14s %14s\n' mode "velmora-dump/s" "tshark/s" ratio "cpu ratio" \
  "velmora peak" "tshark peak"
for mode in $modes; do
  best_v="" best_t="" cpu_v="" cpu_t="" peak_v=0 peak_t=0
  for _ in $(seq "$rounds"); do
    # shellcheck disable=SC2046
    read -r seconds peak cpu_seconds <<< "$(timed "$dump" $(velmora_options "$mode") "$hex")"
    if [ -z "$best_v" ] || [ "$(calc "$seconds < $best_v")" = 1 ]; then best_v=$seconds; fi
    if [ -z "$cpu_v" ] || [ "$(calc "$cpu_seconds < $cpu_v")" = 1 ]; then cpu_v=$cpu_seconds; fi
    [ "$peak" -gt "$peak_v" ] && peak_v=$peak
    # shellcheck disable=SC2046
    read -r seconds peak cpu_seconds <<< "$(timed tshark -r "$pcap" -o mtp3.standard:ITU $(tshark_options "$mode"))"
    if [ -z "$best_t" ] || [ "$(calc "$seconds < $best_t")" = 1 ]; then best_t=$seconds; fi
    if [ -z "$cpu_t" ] || [ "$(calc "$cpu_seconds < $cpu_t")" = 1 ]; then cpu_t=$cpu_seconds; fi
    [ "$peak" -gt "$peak_t" ] && peak_t=$peak
  done
  rate_v=$(calc "$messages / $best_v")
  rate_t=$(calc "$messages / $best_t")
  printf '%-8s %16.0f %16.0f %7.1fx %9.1fx %11d MB %11d MB\n' "$mode" "$rate_v" "$rate_t" \
    "$(calc "$rate_v / $rate_t")" "$(calc "$cpu_t / $cpu_v")" $((peak_v / 1024)) $((peak_t / 1024))
done

# Memory as the input grows: the same modes on a tenth of the messages.
tenth=$work/tenth.hex
head -n $((messages / 10)) "$hex" > "$tenth"
echo
printf '%-8s %18s %18s\n' mode "peak, 1/10 input" "peak, all input"
for mode in $modes; do
  # shellcheck disable=SC2046
  read -r _ small _ <<< "$(timed "$dump" $(velmora_options "$mode") "$tenth")"
  # shellcheck disable=SC2046
  read -r _ large _ <<< "$(timed "$dump" $(velmora_options "$mode") "$hex")"
  printf '%-8s %15d MB %15d MB\n' "$mode" $((small / 1024)) $((large / 1024))
done

# Threads: -j 1 against one job per core, on all cores.
if [ "${JOBS_TOO:-1}" = 1 ]; then
  echo
  printf '%-8s %14s %14s %8s %14s %14s\n' mode "-j 1 s" "-j $(nproc) s" speedup "-j 1 cpu s" "-j $(nproc) cpu s"
  for mode in $modes; do
    best_1="" best_n="" cpu_1="" cpu_n=""
    for _ in $(seq "$rounds"); do
      # shellcheck disable=SC2046
      read -r seconds _ cpu_seconds <<< "$(timed_all "$dump" $(velmora_options "$mode") "$hex")"
      if [ -z "$best_1" ] || [ "$(calc "$seconds < $best_1")" = 1 ]; then best_1=$seconds cpu_1=$cpu_seconds; fi
      # shellcheck disable=SC2046
      read -r seconds _ cpu_seconds <<< "$(timed_all "$dump" $(velmora_options "$mode" | sed "s/-j 1/-j $(nproc)/") "$hex")"
      if [ -z "$best_n" ] || [ "$(calc "$seconds < $best_n")" = 1 ]; then best_n=$seconds cpu_n=$cpu_seconds; fi
    done
    printf '%-8s %14.3f %14.3f %7.2fx %14.3f %14.3f\n' "$mode" "$best_1" "$best_n" "$(calc "$best_1 / $best_n")" \
      "$cpu_1" "$cpu_n"
  done
fi
echo
echo "load:     $(cut -d' ' -f1-3 /proc/loadavg) (after)"
