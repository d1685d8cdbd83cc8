#!/usr/bin/env bash
# Soak benchmark: velmora-sim sends capture datagrams (the sample call over
# and over) at RATE per second for SECONDS to the monitor window on Qt's
# offscreen platform, with the limit on captures held in memory and the ring
# of capture files on. Prints the window's resident memory every INTERVAL
# seconds and, at the end, the datagrams sent against those the window took
# in (held + removed by the limit), the drops it counted and what the ring
# wrote (a STOP entry for the heartbeats that end with the sender is the
# window's own and not counted). Memory must stay flat once the limit is
# reached; nothing may be lost.
#
#   bench/soak.sh [RATE [SECONDS [LIMIT [INTERVAL]]]]   (defaults 5000 1800 200000 30)
#   VELMORA_BUILD_DIR selects the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
rate=${1:-5000}
seconds=${2:-1800}
limit=${3:-200000}
interval=${4:-30}
build=${VELMORA_BUILD_DIR:-build}
port=${VELMORA_BENCH_PORT:-30172}
sample=samples/sample-call.ss7
for program in velmora velmora-sim; do
  [ -x "$build/bin/$program" ] || { echo "soak: $build/bin/$program is not built" >&2; exit 2; }
done

work=$(mktemp -d)
velmora_pid=
cleanup() {
  [ -n "$velmora_pid" ] && kill "$velmora_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The limit and a ring of 4 files of 16 MB, as a user would configure them.
cat > "$work/State.ini" <<INI
[OptionsForm]
seCaptureLimit_Value=$limit
edRingFolder_Text=$work/ring
seRingFileSize_Value=16
seRingFiles_Value=4
INI

QT_QPA_PLATFORM=offscreen "$build/bin/velmora" --state-file "$work/State.ini" --port "$port" \
  --exit-after-idle 2000 --report > "$work/report" 2> "$work/velmora.err" &
velmora_pid=$!
sleep 2
count=$((rate * seconds))
"$build/bin/velmora-sim" --port "$port" --rate "$rate" --count "$count" --heartbeat 1000 "$sample" \
  > "$work/sim" 2>&1 &
sim_pid=$!

rss() { awk '/^VmRSS:/ { print int($2 / 1024) }' "/proc/$velmora_pid/status" 2>/dev/null || echo 0; }
start=$(date +%s)
echo "time_s rss_mib"
while kill -0 "$sim_pid" 2>/dev/null; do
  echo "$(( $(date +%s) - start )) $(rss)"
  sleep "$interval"
done
echo "$(( $(date +%s) - start )) $(rss)   (sender done)"
wait "$sim_pid" || true
wait "$velmora_pid" || true
velmora_pid=

sent=$(grep -o '[0-9]* datagrams and' "$work/sim" | cut -d' ' -f1)
held=$(awk '/^captures / { print $2 }' "$work/report")
removed=$(awk '/^removed / { print $2 }' "$work/report")
# A STOP entry (heartbeats ended with the sender) is a capture of the
# window's own, not a datagram.
stops=$(awk -F'\t' '/^row / && $2 == "STOP"' "$work/report" | wc -l)
taken=$(( ${held:-0} + ${removed:-0} - stops ))
echo "last rows:"
grep '^row ' "$work/report" | tail -n 3 | sed 's/^/  /'
[ "$stops" -eq 0 ] || echo "           ($stops STOP entry among the last rows, not counted)"
echo "sender:    $(tail -n1 "$work/sim")"
echo "window:    ${held:-0} held, ${removed:-0} removed by the limit of $limit: $taken datagrams taken in"
echo "$(grep '^dropped ' "$work/report" || true)"
echo "$(grep '^ring ' "$work/report" || true)"
echo "lost:      $(( ${sent:-0} - taken )) of ${sent:-0}"
[ "${sent:-0}" -gt 0 ] && [ "$taken" -eq "${sent:-0}" ]
