#!/usr/bin/env bash
# Intake benchmark: velmora-sim sends COUNT capture datagrams (the sample
# call replayed: ISUP, MTP management and link tests) at RATE per second to
# the monitor window running on Qt's offscreen platform. Every datagram must
# become a capture, in order: the window's captures are saved on exit and
# compared, without their stamps, with what was sent. Prints the result and
# the window's peak resident memory.
#
#   bench/intake-bench.sh [RATE [COUNT]]      (defaults 50000 500000)
#   VELMORA_BUILD_DIR selects the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
rate=${1:-50000}
count=${2:-500000}
build=${VELMORA_BUILD_DIR:-build}
port=${VELMORA_BENCH_PORT:-30171}
sample=samples/sample-call.ss7
for program in velmora velmora-sim; do
  [ -x "$build/bin/$program" ] || { echo "intake-bench: $build/bin/$program is not built" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What the sim sends: the sample's capture lines (18 bytes or more) over and
# over, each without its 16-byte stamp (48 characters of spaced hex).
awk 'NF >= 18 { print substr($0, 49) }' "$sample" | tr -d '\r' > "$work/lines"
lines=$(wc -l < "$work/lines")
awk -v n="$count" -v m="$lines" '{ l[NR - 1] = $0 } END { for (i = 0; i < n; ++i) print l[i % m] }' \
  "$work/lines" > "$work/expected"

QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$work/time" \
  "$build/bin/velmora" --state-file "" --port "$port" --quit-after "$count" --exit-after-idle 3000 \
  --save-on-exit "$work/captured.ss7" --report > "$work/report" 2> "$work/velmora.err" &
velmora_pid=$!
sleep 1.5
"$build/bin/velmora-sim" --port "$port" --rate "$rate" --count "$count" --heartbeat 1000 "$sample" \
  > "$work/sim" 2>&1
wait "$velmora_pid" || true

captured=$(grep -m1 '^captures ' "$work/report" | cut -d' ' -f2)
tr -d '\r' < "$work/captured.ss7" | cut -c49- | sed 's/ *$//' > "$work/actual"
sed 's/ *$//' "$work/expected" > "$work/expected.trimmed"
peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$work/time")

echo "sent:      $(tail -n1 "$work/sim")"
echo "captured:  ${captured:-0} of $count"
if cmp -s "$work/actual" "$work/expected.trimmed"; then
  echo "order:     every datagram became a capture, in order"
  result=0
else
  first=$(cmp "$work/actual" "$work/expected.trimmed" 2>&1 | head -n1 || true)
  echo "order:     MISMATCH ($first)"
  result=1
fi
echo "last rows:"
grep '^row ' "$work/report" | tail -n 3 | sed 's/^/  /'
echo "peak RSS:  $((peak_kb / 1024)) MiB (velmora, wall clock $elapsed)"
exit $result
