#!/usr/bin/env bash
# Builds the Debian package of Velmora into dist/ and checks it with lintian.
#   scripts/package.sh     build-package/ with Debian's hardening flags,
#                          then dist/velmora_VERSION_ARCH.deb
# Install it with: apt install ./dist/velmora_*.deb
# Needs dpkg-dev (dpkg-shlibdeps) and lintian, which scripts/setup.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in dpkg-shlibdeps lintian; do
  command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing; run scripts/setup.sh as root" >&2; exit 2; }
done

# The compiler and linker flags Debian builds its packages with (hardening
# included), so the programs are built as a Debian package's are.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS

dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build "$dir"
rm -f "$dir"/velmora_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)

mkdir -p dist
rm -f dist/velmora_*.deb
cp "$dir"/velmora_*.deb dist/
deb=$(ls dist/velmora_*.deb)
echo "package.sh: $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

# lintian's errors fail the build; its warnings are shown.
lintian --info --fail-on error "$deb"
