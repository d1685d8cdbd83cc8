#!/usr/bin/env bash
# Builds Velmora and decodes the bundled sample capture with velmora-dump.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
exec build/bin/velmora-dump samples/mtp-link-test.ss7
