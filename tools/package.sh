#!/usr/bin/env bash
# tools/package.sh BUILD OUT: builds the Debian package OUT/frothy_<version>_<arch>.deb from a
# build folder of its own, BUILD, configured for /usr with Debian's layout for games and the
# distribution's hardening flags; no tests, no benchmark. Prints the package's path.
# Needs the game's build packages and dpkg-dev and file (tools/dev package installs them).
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: tools/package.sh BUILD-FOLDER OUT-FOLDER" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$1
mkdir -p "$2"
out=$(cd "$2" && pwd)

# The flags a Debian package is built with, all hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DFROTHY_INSTALL_LAYOUT=games -DFROTHY_BUILD_TESTS=OFF -DFROTHY_BUILD_BENCH=OFF \
  -DFROTHY_WERROR=OFF -DFROTHY_SANITIZE=OFF -DFROTHY_FUZZ=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
# cpack stages the install under BUILD; only the finished package goes to OUT.
rm -f "$build"/frothy_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/frothy_*.deb)
mv -f "$deb" "$out/"
echo "$out/$(basename "$deb")"
