#!/usr/bin/env bash
# Installs what building, running and testing Velmora needs on Debian 12,
# skipping the packages that are already there. Run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpcap-dev
  tshark wireshark-common python3 xvfb xauth fonts-dejavu-core
  clang libclang-rt-14-dev llvm-14
  dpkg-dev lintian desktop-file-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
