#!/usr/bin/env bash
# Builds SDL2, FreeType, SDL2_ttf and SDL2_mixer (wave files only) as static libraries for a
# cross target from Debian's own source packages, and prints the prefix they are installed in.
#   tools/deps/build-deps.sh web       WebAssembly, with Debian's emscripten
#   tools/deps/build-deps.sh windows   64-bit Windows, with Debian's MinGW-w64
#   tools/deps/build-deps.sh TARGET --key   only print the cache key
# Nothing comes from anywhere but Debian's archive (emscripten's downloaded "ports" are never
# used). The libraries go to a cache that later builds on the machine reuse:
#   ${FROTHY_DEPS_CACHE:-${XDG_CACHE_HOME:-~/.cache}/frothy/deps}/TARGET-KEY
# where KEY is a hash of the Debian source versions, this script and the target's compiler and
# toolchain file: a new source version, a changed script or a new compiler builds afresh, and
# an absent or half-built prefix is rebuilt. Progress goes to standard error.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
target=${1:-}
case $target in
  web) . tools/web/env.sh ;;
  windows) ;;
  *)
    echo "usage: tools/deps/build-deps.sh web|windows [--key]" >&2
    exit 2
    ;;
esac
cache=${FROTHY_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/frothy/deps}
packages=(libsdl2 freetype libsdl2-ttf libsdl2-mixer)

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
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update -q >&2
}

# The version apt-get source would fetch, from the name of its .dsc file.
source_version() {  # source_version PACKAGE
  apt-get source --print-uris -q "$1" 2>/dev/null |
    sed -n "s/^'[^']*\/$1_\([^']*\)\.dsc'.*/\1/p" | sed -n '1s/%2b/+/gI; 1s/%3a/:/gI; 1p'
}

# What the libraries are built with, besides their sources and this script. (The first line
# is taken by a reader of the whole output: one that stopped after it would let a compiler
# still writing fail, and with pipefail the script with it, now and then, saying nothing.)
compiler_identity() {
  case $target in
    web) emcc --version 2>/dev/null | sed -n 1p ;;
    windows)
      x86_64-w64-mingw32-g++-posix --version 2>/dev/null | sed -n 1p
      cat windows/toolchain.cmake
      ;;
  esac
}

enable_sources
command -v dpkg-source >/dev/null || {
  echo "build-deps: dpkg-dev is needed to unpack source packages" >&2
  exit 1
}
versions=()
for pkg in "${packages[@]}"; do
  v=$(source_version "$pkg")
  if [ -z "$v" ]; then
    echo "build-deps: apt knows no source package $pkg (is the deb-src entry there?)" >&2
    exit 1
  fi
  versions+=("$pkg=$v")
done
key=$({ printf '%s\n' "${versions[@]}"; cat "$0"; compiler_identity; } | sha256sum | cut -c1-16)
prefix=$cache/$target-$key
if [ "${2:-}" = --key ]; then
  echo "$target-$key"
  exit 0
fi

mkdir -p "$cache"
# One build of a target at a time; a second run waits and then finds the finished prefix.
exec 9>"$cache/$target.lock"
flock 9
stamp=$prefix/.complete
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

src=$cache/src
work=$cache/build/$target-$key
rm -rf "$prefix" "$work"
mkdir -p "$src" "$prefix" "$work"

fetch_source() {  # fetch_source PACKAGE VERSION: unpacks Debian's source, prints its folder
  local pkg=$1 version=$2 upstream
  upstream=${version#*:}
  upstream=${upstream%-*}
  local dir=$src/$pkg-$upstream
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"
    (cd "$src" && apt-get source -q "$pkg=$version" >/dev/null)
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

jobs=${FROTHY_JOBS:-$(nproc 2>/dev/null || echo 2)}
common=(-G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF)
case $target in
  web) configure=(emcmake cmake) ;;
  windows) configure=(cmake -DCMAKE_TOOLCHAIN_FILE="$root/windows/toolchain.cmake") ;;
esac

# With `tailor` set to a function's name, that function runs on the configured build folder
# before it is compiled.
tailor=
cmake_build() {  # cmake_build NAME PACKAGE [options...]
  local name=$1 pkg=$2 dir v
  shift 2
  for v in "${versions[@]}"; do
    [ "${v%%=*}" = "$pkg" ] && dir=$(fetch_source "$pkg" "${v#*=}")
  done
  echo "build-deps: $target $name" >&2
  local log=$work/$name.log
  { "${configure[@]}" -S "$dir" -B "$work/$name" "${common[@]}" "$@" &&
    { [ -z "$tailor" ] || "$tailor" "$work/$name"; } &&
    cmake --build "$work/$name" -j "$jobs" &&
    cmake --install "$work/$name"; } >"$log" 2>&1 ||
    { tail -40 "$log" >&2; echo "build-deps: $name failed, log in $log" >&2; exit 1; }
}

start=$(date +%s)
case $target in
  # The page draws on its canvas itself and takes its input from the page: of SDL it uses the
  # audio (driven by the page, without threads), the events audio needs, timers and surfaces
  # (which SDL builds with or without its video subsystem). No window, renderer, OpenGL,
  # joystick, haptic, sensor, power, locale or file-system code; SDL's own conversions between
  # the Unicode forms and Latin-1 instead of the C library's iconv with every legacy code page
  # (its tables were a third of the program); and, SDL_LEAN_AND_MEAN, the generic blitter in
  # place of the specialised ones (the one blit, the sprite sheet's at start-up, gives the same
  # pixels).
  web) cmake_build sdl2 libsdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
         -DSDL_PTHREADS=OFF -DSDL_THREADS=OFF -DSDL_VIDEO=OFF -DSDL_RENDER=OFF \
         -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF -DSDL_OFFSCREEN=OFF -DSDL_DUMMYVIDEO=OFF \
         -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
         -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_FILESYSTEM=OFF \
         -DSDL_DISKAUDIO=OFF -DSDL_SYSTEM_ICONV=OFF -DCMAKE_C_FLAGS=-DSDL_LEAN_AND_MEAN=1 ;;
  # The game needs video, events, audio and timers; no game controller, haptic or sensor code.
  windows) cmake_build sdl2 libsdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
             -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF ;;
esac

# The page's FreeType: the drivers and options the game's one TrueType face needs, and no
# more. SDL_ttf asks for light hinting, which FreeType gives TrueType faces by its own
# auto-hinter, so the TrueType bytecode interpreter never runs; the face is no variable font,
# holds no bitmaps, colour layers or SVG glyphs and arrives uncompressed (no WOFF, so no zlib).
web_freetype() {  # web_freetype BUILD_FOLDER
  local config=$1/include/freetype/config opt
  cat >"$config/ftmodule.h" <<'MODULES'
FT_USE_MODULE( FT_Module_Class, autofit_module_class )
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, psnames_module_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
MODULES
  for opt in FT_CONFIG_OPTION_USE_LZW FT_CONFIG_OPTION_USE_ZLIB FT_CONFIG_OPTION_MAC_FONTS \
      FT_CONFIG_OPTION_GUESSING_EMBEDDED_RFORK FT_CONFIG_OPTION_INCREMENTAL \
      FT_CONFIG_OPTION_SVG FT_CONFIG_OPTION_ADOBE_GLYPH_LIST TT_CONFIG_OPTION_EMBEDDED_BITMAPS \
      TT_CONFIG_OPTION_COLOR_LAYERS TT_CONFIG_OPTION_BYTECODE_INTERPRETER \
      TT_CONFIG_OPTION_GX_VAR_SUPPORT TT_CONFIG_OPTION_BDF AF_CONFIG_OPTION_CJK \
      AF_CONFIG_OPTION_INDIC; do
    grep -q "^#define $opt\b" "$config/ftoption.h" ||
      { echo "build-deps: FreeType has no option $opt" >&2; return 1; }
    sed -i "s/^#define $opt\b.*/#undef $opt/" "$config/ftoption.h"
  done
}
[ "$target" = web ] && tailor=web_freetype
# FreeType reads only TrueType here: every optional codec library stays out.
cmake_build freetype freetype -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
  -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
tailor=
cmake_build sdl2_ttf libsdl2-ttf -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_VENDORED=OFF \
  -DSDL2TTF_HARFBUZZ=OFF
# The game plays wave files only; every other decoder stays out, the built-in Ogg Vorbis
# decoder (SDL2MIXER_VORBIS=STB by default) with them.
cmake_build sdl2_mixer libsdl2-mixer -DSDL2MIXER_SAMPLES=OFF \
  -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_CMD=OFF \
  -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF \
  -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_WAVE=ON
printf '%s\n' "${versions[@]}" >"$prefix/debian-sources"
rm -rf "$work"
rmdir "$cache/build" 2>/dev/null || true
touch "$stamp"
echo "build-deps: $target libraries built in $(( $(date +%s) - start )) s into $prefix" >&2
echo "$prefix"
