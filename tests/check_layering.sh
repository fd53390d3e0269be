#!/usr/bin/env bash
# The game logic reaches the platform only through game/platform.hpp: nothing under game/
# includes SDL, and the game library links no SDL either.
set -eu
root=${1:-.}
bad=$(grep -rlE '#[[:space:]]*include[[:space:]]*[<"]SDL' "$root/game" || true)
if [ -n "$bad" ]; then
  echo "game/ must not include SDL:" $bad
  exit 1
fi
if grep -qE "PkgConfig::SDL|SDL2" "$root/game/CMakeLists.txt"; then
  echo "game/CMakeLists.txt must not link SDL"
  exit 1
fi
echo "game/ is free of SDL"
