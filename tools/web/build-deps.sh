#!/usr/bin/env bash
# Builds SDL2, FreeType, SDL2_ttf and SDL2_mixer (wave files only) for WebAssembly from Debian's
# own source packages, with Debian's emscripten, into build-web/deps/ (reused when present).
# Emscripten's "ports" are never used: they download from outside Debian's archive.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
out=$root/build-web
prefix=$out/deps
src=$out/deps-src
stamp=$prefix/.built-v1
. tools/web/env.sh

if [ -f "$stamp" ]; then
  exit 0
fi

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

# Source entries for exactly the archives the machine already installs binaries from: each
# binary stanza (deb822 or one-line) is copied with its type changed to deb-src.
enable_sources() {
  local list=/etc/apt/sources.list.d/frothy-deb-src.sources
  [ -f "$list" ] && return 0
  if apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
    return 0
  fi
  local tmp
  tmp=$(mktemp)
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    [ "$f" = "$list" ] && continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         {
           n = split($0, line, "\n"); types = ""; enabled = 1; out = ""
           for (i = 1; i <= n; i++) {
             if (line[i] ~ /^Types:/) types = line[i]
             else if (line[i] ~ /^Enabled:[ \t]*no/) enabled = 0
             else out = out line[i] "\n"
           }
           if (enabled && types ~ /[ \t]deb([ \t]|$)/ && types !~ /deb-src/)
             printf "Types: deb-src\n%s\n", out
         }' "$f" >>"$tmp"
  done
  # One-line sources become deb822 stanzas too, so one file holds every source entry.
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    grep -E '^[[:space:]]*deb[[:space:]]' "$f" | while read -r _ rest; do
      local opts=""
      if [[ $rest == \[* ]]; then
        opts=${rest%%]*}
        opts=${opts#[}
        rest=${rest#*] }
      fi
      read -r uri suite comps <<<"$rest"
      {
        echo "Types: deb-src"
        echo "URIs: $uri"
        echo "Suites: $suite"
        [ -n "$comps" ] && echo "Components: $comps"
        for o in $opts; do
          case $o in signed-by=*) echo "Signed-By: ${o#signed-by=}" ;; esac
        done
        echo
      } >>"$tmp"
    done
  done
  if [ ! -s "$tmp" ]; then
    echo "build-deps: no binary package sources found in the apt configuration" >&2
    rm -f "$tmp"
    exit 1
  fi
  "${sudo[@]}" install -m 644 "$tmp" "$list"
  rm -f "$tmp"
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update -q
}

fetch_source() {  # fetch_source PACKAGE: unpacks Debian's source into $src/PACKAGE-*/
  local pkg=$1
  if ! compgen -G "$src/$pkg-[0-9]*/" >/dev/null; then
    (cd "$src" && apt-get source -q "$pkg" >/dev/null)
  fi
  compgen -G "$src/$pkg-[0-9]*/" | head -n 1
}

mkdir -p "$src" "$prefix"
enable_sources
command -v dpkg-source >/dev/null || {
  echo "build-deps: dpkg-dev is needed to unpack source packages" >&2
  exit 1
}

jobs=${FROTHY_JOBS:-$(nproc 2>/dev/null || echo 2)}
common=(-G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF)

cmake_build() {  # cmake_build NAME SOURCE_DIR [options...]
  local name=$1 dir=$2
  shift 2
  echo "build-deps: $name"
  emcmake cmake -S "$dir" -B "$out/deps-build/$name" "${common[@]}" "$@" >"$out/deps-build-$name.log" 2>&1 ||
    { tail -40 "$out/deps-build-$name.log"; exit 1; }
  cmake --build "$out/deps-build/$name" -j "$jobs" >>"$out/deps-build-$name.log" 2>&1 ||
    { tail -40 "$out/deps-build-$name.log"; exit 1; }
  cmake --install "$out/deps-build/$name" >>"$out/deps-build-$name.log" 2>&1 ||
    { tail -40 "$out/deps-build-$name.log"; exit 1; }
}
mkdir -p "$out/deps-build"

cmake_build sdl2 "$(fetch_source libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
  -DSDL_PTHREADS=OFF -DSDL_THREADS=OFF
# FreeType reads only TrueType here: every optional codec library stays out.
cmake_build freetype "$(fetch_source freetype)" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
  -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
cmake_build sdl2_ttf "$(fetch_source libsdl2-ttf)" -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_VENDORED=OFF \
  -DSDL2TTF_HARFBUZZ=OFF
# The game plays wave files only; every decoder that needs another library stays out.
cmake_build sdl2_mixer "$(fetch_source libsdl2-mixer)" -DSDL2MIXER_SAMPLES=OFF \
  -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_CMD=OFF \
  -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OGG=OFF \
  -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_WAVE=ON
touch "$stamp"
echo "build-deps: installed into $prefix"
