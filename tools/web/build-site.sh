#!/usr/bin/env bash
# Builds the browser site into build-web/site/ (index.html and what it loads, static files), from
# the web preset of CMakePresets.json; the build itself makes the default data with the
# generators built for this machine (build-web/host/).
#   FROTHY_WEB_DATA  folder of pic.bmp, snd1-3.wav and b_data.dat to pack instead (the data/
#                    of a host build, as tools/dev test passes its own)
#   FROTHY_SITE_DIR  where the site goes (default build-web/site)
#   FROTHY_WEB_BUILD the build folder (default build-web, the preset's)
set -euo pipefail
cd "$(dirname "$0")/../.."
. tools/web/env.sh
jobs=${FROTHY_JOBS:-$(nproc 2>/dev/null || echo 2)}

tools/web/build-deps.sh

build=${FROTHY_WEB_BUILD:-build-web}
# Builds before the web preset kept the game in build-web/game/ and a second, native build of
# the generators in build-web/native/; build-web/game/ is now the game library's own folder.
if [ -f build-web/game/CMakeCache.txt ]; then
  rm -rf build-web/game build-web/native
fi
args=(--preset web -B "$build" -DFROTHY_HOST_DATA="${FROTHY_WEB_DATA:-}")
[ -z "${FROTHY_SITE_DIR:-}" ] || args+=(-DFROTHY_SITE_DIR="$FROTHY_SITE_DIR")
cmake "${args[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
site=$(sed -n 's/^FROTHY_SITE_DIR:PATH=//p' "$build/CMakeCache.txt")
echo "site: $site ($(du -sb "$site" | cut -f1) bytes)"
