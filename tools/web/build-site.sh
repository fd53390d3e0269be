#!/usr/bin/env bash
# Builds the browser site into build-web/site/ (index.html and what it loads, static files).
#   FROTHY_WEB_DATA  folder of pic.bmp, snd1-3.wav and b_data.dat to pack (default: the
#                    defaults a desktop build of the generators makes)
#   FROTHY_SITE_DIR  where the site goes (default build-web/site)
#   FROTHY_WEB_BUILD the build folder (default build-web/game)
set -euo pipefail
cd "$(dirname "$0")/../.."
. tools/web/env.sh
jobs=${FROTHY_JOBS:-$(nproc 2>/dev/null || echo 2)}

tools/web/build-deps.sh

data=${FROTHY_WEB_DATA:-}
if [ -z "$data" ]; then
  # The default data come from the desktop generators, built natively.
  cmake -S . -B build-web/native -DFROTHY_BUILD_TESTS=OFF -DFROTHY_BUILD_BENCH=OFF >/dev/null
  cmake --build build-web/native --target frothy_data -j "$jobs" >/dev/null
  data=$PWD/build-web/native/data
fi
site=${FROTHY_SITE_DIR:-$PWD/build-web/site}
build=${FROTHY_WEB_BUILD:-build-web/game}
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DFROTHY_WERROR=ON \
  -DFROTHY_BUILD_TESTS=OFF -DFROTHY_BUILD_BENCH=OFF -DFROTHY_WEB_DATA="$data" \
  -DFROTHY_SITE_DIR="$site" >/dev/null
cmake --build "$build" -j "$jobs"
echo "site: $site ($(du -sb "$site" | cut -f1) bytes)"
