#!/usr/bin/env bash
# Cross-builds the Windows program with Debian's MinGW-w64 and writes
# dist/frothy-VERSION-win64.zip (the game's folder: frothy.exe, the default data, the text
# face, the licences and a read-me).
#   FROTHY_HOST_BUILD     a native build whose data/ and generated/ hold the default files and
#                         icons (default: the cross build makes its own, in its host/ folder)
#   FROTHY_DIST_DIR       where the zip goes (default dist/)
#   FROTHY_WINDOWS_TESTS  ON also builds the tests that run under Wine (ctest -L windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=${FROTHY_JOBS:-$(nproc 2>/dev/null || echo 2)}

deps=$(tools/deps/build-deps.sh windows)

# The options are the windows preset's; these only say where things come from and go.
options=(-DFROTHY_BUILD_TESTS="${FROTHY_WINDOWS_TESTS:-OFF}" -DFROTHY_DIST_DIR="${FROTHY_DIST_DIR:-$PWD/dist}")
[ -n "${FROTHY_HOST_BUILD:-}" ] && options+=(-DFROTHY_HOST_DATA="$FROTHY_HOST_BUILD/data")
FROTHY_WINDOWS_DEPS=$deps cmake --preset windows "${options[@]}" >/dev/null
cmake --build --preset windows -j "$jobs"
