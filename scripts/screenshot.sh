#!/usr/bin/env bash
# Takes a picture of the monitor window receiving live traffic from
# velmora-sim (the sample call replayed with heartbeats) and saves it to
# docs/screenshot.png, or to the file given as $1. Runs on a virtual X
# display (xvfb-run) when there is one, else on Qt's offscreen platform.
# Without velmora-sim the window shows the sample capture file instead.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshot.png}")
mkdir -p "$(dirname "$out")"
port=${VELMORA_SCREENSHOT_PORT:-30151}
sample=samples/sample-call.ss7

build=${VELMORA_BUILD_DIR:-build}
scripts/build.sh "$build" >/dev/null

work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A window larger than the design size, so that the decoded tree has room.
cat > "$work/State.ini" <<INI
[CaptureForm]
FormVersion=0
ShowCmd=1
PixelsPerInch=96
NormPos=0,0,1100,600
lvMsg_Width=640
INI

velmora=("$build"/bin/velmora --state-file "$work/State.ini" --port "$port"
         --screenshot "$out" --screenshot-delay 5000 --select-name IAM)
if [ -x "$build"/bin/velmora-sim ]; then
  (sleep 1; exec "$build"/bin/velmora-sim --port "$port" --rate 25 --heartbeat 500 --repeat 0 "$sample") \
    >/dev/null 2>&1 &
  sim_pid=$!
else
  echo "screenshot.sh: velmora-sim is not built; showing $sample loaded from file" >&2
  velmora+=("$sample")
fi

if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" "${velmora[@]}"
else
  QT_QPA_PLATFORM=offscreen "${velmora[@]}"
fi
echo "screenshot.sh: $out"
