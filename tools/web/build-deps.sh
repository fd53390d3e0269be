#!/usr/bin/env bash
# The browser's SDL2, FreeType, SDL2_ttf and SDL2_mixer, compiled for WebAssembly by
# tools/deps/build-deps.sh into the machine's cache and linked as build-web/deps/, where the
# browser build (web/deps.cmake) looks for them.
set -euo pipefail
cd "$(dirname "$0")/../.."
prefix=$(tools/deps/build-deps.sh web)
mkdir -p build-web
# Before the cache, the libraries were built in build-web/ itself.
if [ -e build-web/deps ] && [ ! -L build-web/deps ]; then
  rm -rf build-web/deps build-web/deps-src build-web/deps-build build-web/deps-build-*.log
fi
ln -sfn "$prefix" build-web/deps
