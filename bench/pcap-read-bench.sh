#!/usr/bin/env bash
# Reading a pcap of COUNT M3UA messages (velmora-gen --encap m3ua: Ethernet,
# IPv4, SCTP, M3UA DATA) into velmora-dump's one-line-per-message summary,
# and tshark's one-line-per-packet summary of the same file, in the same run
# on the same machine. Prints both times (the best of RUNS) and their ratio;
# both outputs go to files, so that the terminal is not what is measured.
#
#   bench/pcap-read-bench.sh [COUNT [RUNS]]      (defaults 1000000 3)
#   VELMORA_BUILD_DIR selects the build folder (default build); the pcap is
#   kept in VELMORA_BENCH_CACHE (default /tmp) between runs, as writing it
#   takes minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000000}
runs=${2:-3}
build=${VELMORA_BUILD_DIR:-build}
cache=${VELMORA_BENCH_CACHE:-/tmp}
for program in velmora-dump velmora-gen; do
  [ -x "$build/bin/$program" ] || { echo "pcap-read-bench: $build/bin/$program is not built" >&2; exit 2; }
done
command -v tshark > /dev/null || { echo "pcap-read-bench: tshark is not installed" >&2; exit 2; }

pcap=$cache/velmora-bench-m3ua-$count.pcap
if [ ! -s "$pcap" ]; then
  echo "writing $pcap ..." >&2
  "$build/bin/velmora-gen" --seed 1 --count "$count" --format pcap --encap m3ua -o "$pcap.part"
  mv "$pcap.part" "$pcap"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work TZ=UTC
unset DISPLAY

# The best wall-clock time of RUNS runs of a command, in seconds.
best() {
  local out=$1 best_time=
  shift
  for _ in $(seq "$runs"); do
    local start end t
    start=$(date +%s.%N)
    "$@" > "$out" 2> "$work/stderr"
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    if [ -z "$best_time" ] || awk -v t="$t" -v b="$best_time" 'BEGIN { exit !(t < b) }'; then best_time=$t; fi
  done
  echo "$best_time"
}

dump_time=$(best "$work/dump.out" "$build/bin/velmora-dump" "$pcap")
dump_lines=$(wc -l < "$work/dump.out")
tshark_time=$(best "$work/tshark.out" tshark -n -r "$pcap" -o mtp3.standard:ITU -o 'isup.variant:ITU Standard')
tshark_lines=$(wc -l < "$work/tshark.out")

printf 'file:          %s (%s messages, %s octets)\n' "$pcap" "$count" "$(stat -c %s "$pcap")"
printf 'velmora-dump:  %8.2f s  (%s lines)\n' "$dump_time" "$dump_lines"
printf 'tshark:        %8.2f s  (%s lines)\n' "$tshark_time" "$tshark_lines"
printf 'ratio:         %8.3f    (velmora-dump / tshark; the target is below 0.1)\n' \
  "$(awk -v d="$dump_time" -v t="$tshark_time" 'BEGIN { print d / t }')"
