#!/usr/bin/env bash
# Reading a pcap of COUNT M3UA messages (velmora-gen --encap m3ua: Ethernet,
# IPv4, SCTP, M3UA DATA) into velmora-dump's one-line-per-message summary,
# and tshark's one-line-per-packet summary of the same file, in the same run
# on the same machine. Prints both times (the best of RUNS) and their ratio;
# both outputs go to files, so that the terminal is not what is measured.
# velmora-dump runs with its default jobs (one per core) and with -j 1.
# Also times velmora-dump -w over the file: reading the packets down to their
# messages and writing them again, without decoding, which tells the cost of
# the pcap reading from that of decoding and printing.
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

# The best wall-clock time and the best processor time (user + system) of
# RUNS runs of a command, in seconds: "WALL CPU". On a machine shared with
# other work the processor time is the steadier of the two.
best() {
  local out=$1
  shift
  python3 - "$runs" "$out" "$work/stderr" "$@" <<'PY'
import resource, subprocess, sys, time
runs, out, err, command = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4:]
wall = cpu = None
for _ in range(runs):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    with open(out, 'wb') as o, open(err, 'wb') as e:
        subprocess.run(command, stdout=o, stderr=e, check=False)
    elapsed = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    used = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    wall = elapsed if wall is None else min(wall, elapsed)
    cpu = used if cpu is None else min(cpu, used)
print('%.3f %.3f' % (wall, cpu))
PY
}

read -r dump_wall dump_cpu < <(best "$work/dump.out" "$build/bin/velmora-dump" "$pcap")
dump_lines=$(wc -l < "$work/dump.out")
read -r one_wall one_cpu < <(best "$work/dump1.out" "$build/bin/velmora-dump" -j 1 "$pcap")
cmp -s "$work/dump.out" "$work/dump1.out" || { echo "pcap-read-bench: -j 1 printed other lines" >&2; exit 1; }
read -r write_wall write_cpu < <(best /dev/null "$build/bin/velmora-dump" -w "$work/written.pcap" "$pcap")
read -r tshark_wall tshark_cpu < <(best "$work/tshark.out" tshark -n -r "$pcap" -o mtp3.standard:ITU \
  -o 'isup.variant:ITU Standard')
tshark_lines=$(wc -l < "$work/tshark.out")

ratio() { awk -v d="$1" -v t="$2" 'BEGIN { printf "%.3f", d / t }'; }
printf 'file:              %s (%s messages, %s octets)\n' "$pcap" "$count" "$(stat -c %s "$pcap")"
printf '                   wall s   cpu s\n'
printf 'velmora-dump:      %7.2f %7.2f  (%s lines)\n' "$dump_wall" "$dump_cpu" "$dump_lines"
printf 'velmora-dump -j 1: %7.2f %7.2f  (one decoding thread)\n' "$one_wall" "$one_cpu"
printf 'velmora-dump -w:   %7.2f %7.2f  (the file read and written again as a pcap, nothing decoded)\n' \
  "$write_wall" "$write_cpu"
printf 'tshark:            %7.2f %7.2f  (%s lines)\n' "$tshark_wall" "$tshark_cpu" "$tshark_lines"
printf 'ratio:             %7s %7s  (velmora-dump / tshark; the target is below 0.1)\n' \
  "$(ratio "$dump_wall" "$tshark_wall")" "$(ratio "$dump_cpu" "$tshark_cpu")"
printf 'ratio -j 1:        %7s %7s\n' "$(ratio "$one_wall" "$tshark_wall")" "$(ratio "$one_cpu" "$tshark_cpu")"
