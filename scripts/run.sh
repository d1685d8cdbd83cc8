#!/usr/bin/env bash
# Builds Velmora and starts the monitor window with the definitions beside
# it, listening on UDP port 30001. Arguments go to velmora: a capture file
# to load, or --port N to listen elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are empty); start the window on a virtual display with: xvfb-run -a scripts/run.sh" >&2
  exit 2
fi

build=${VELMORA_BUILD_DIR:-build}
scripts/build.sh "$build"
exec "$build"/bin/velmora --port 30001 "$@"
