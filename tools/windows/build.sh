#!/usr/bin/env bash
# Cross-builds the Windows program with Debian's MinGW-w64 and writes
# dist/frothy-VERSION-win64.zip (the game's folder: frothy.exe, the default data, the text
# face, the licences and a read-me).
#   FROTHY_HOST_BUILD     a native build whose data/ and generated/ hold the default files and
#                         icons (default: build-windows/host, made here with the generators only)
#   FROTHY_WINDOWS_BUILD  the cross build's folder (default build-windows/game)
#   FROTHY_DIST_DIR       where the zip goes (default dist/)
#   FROTHY_WINDOWS_TESTS  ON also builds the tests that run under Wine (ctest -L windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=${FROTHY_JOBS:-$(nproc 2>/dev/null || echo 2)}

deps=$(tools/deps/build-deps.sh windows)

host=${FROTHY_HOST_BUILD:-}
if [ -z "$host" ]; then
  host=$PWD/build-windows/host
  cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=Release -DFROTHY_BUILD_TESTS=OFF \
    -DFROTHY_BUILD_BENCH=OFF >/dev/null
  cmake --build "$host" --target frothy_data -j "$jobs" >/dev/null
fi
build=${FROTHY_WINDOWS_BUILD:-build-windows/game}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/windows/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DFROTHY_WERROR=ON -DFROTHY_BUILD_BENCH=OFF \
  -DFROTHY_BUILD_TESTS="${FROTHY_WINDOWS_TESTS:-OFF}" -DFROTHY_WINDOWS_DEPS="$deps" \
  -DFROTHY_HOST_BUILD="$host" -DFROTHY_DIST_DIR="${FROTHY_DIST_DIR:-$PWD/dist}" >/dev/null
cmake --build "$build" -j "$jobs"
