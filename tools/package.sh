#!/usr/bin/env bash
# tools/package.sh BUILD OUT: builds the Debian package OUT/frothy_<version>_<arch>.deb from a
# build folder of its own, BUILD, configured by the package preset (/usr, Debian's layout for
# games) with the distribution's hardening flags; no tests, no benchmark. Prints the package's
# path.
# Needs the game's build packages and dpkg-dev and file (tools/dev package installs them).
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: tools/package.sh BUILD-FOLDER OUT-FOLDER" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$1")
mkdir -p "$2"
out=$(cd "$2" && pwd)

# The flags a Debian package is built with, all hardening included; the package preset takes
# them from the environment.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CXXFLAGS=$(dpkg-buildflags --get CXXFLAGS)
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CPPFLAGS CXXFLAGS LDFLAGS

cd "$source_dir"
cmake --preset package -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
# cpack stages the install under BUILD; only the finished package goes to OUT.
rm -f "$build"/frothy_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/frothy_*.deb)
mv -f "$deb" "$out/"
echo "$out/$(basename "$deb")"
