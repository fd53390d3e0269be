#!/usr/bin/env bash
# The game and the raster stay free of the platform, and each system's own headers stay in the
# folders named for it (linux/, posix/, web/, windows/). Checked on what is
# really built, not on what a build file says:
#   check_layering.sh SOURCE_ROOT --clean BINARY...   none of these may need or carry SDL
#   check_layering.sh SOURCE_ROOT --dirty BINARY      this one must (the check still bites)
# A binary carries SDL when its dynamic section needs a library of the SDL family, or when it
# defines or wants any SDL, SDL_ttf or SDL_mixer symbol (a static SDL would show only there).
set -eu
root=$1
mode=$2
shift 2

sdl_in() {  # prints what ties the binary to SDL, nothing when it is free of it
  readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | grep -iE 'sdl' || true
  nm -C "$1" 2>/dev/null | grep -E ' (SDL|TTF|Mix)_[A-Za-z]' | head -3 || true
  nm -D "$1" 2>/dev/null | grep -E ' (SDL|TTF|Mix)_[A-Za-z]' | head -3 || true
}

status=0
case $mode in
  --clean)
    bad=$(grep -rlE '#[[:space:]]*include[[:space:]]*[<"]SDL' "$root/game" "$root/gfx/include" \
            "$root"/gfx/*.cpp || true)
    if [ -n "$bad" ]; then
      echo "the game and the raster must not include SDL:" $bad
      status=1
    fi
    # Each system's own headers only in the folders named for it, anywhere in the tree: X11 in
    # linux/, emscripten in web/, Win32 in windows/ and its tests, POSIX in posix/ and linux/ and
    # in the tests and tools, which are programs of the Linux machine that builds the game.
    where() {  # where(kind, header pattern, allowed path pattern)
      local found
      found=$(cd "$root" && find . \( -path './build*' -o -path './.*' \) -prune -o -type f \
                \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) -print | sed 's|^\./||' |
                xargs -r grep -lE "#[[:space:]]*include[[:space:]]*<($2)\.h>" |
                grep -vE "^($3)/" || true)
      if [ -n "$found" ]; then
        echo "$1 headers outside their folders:" $found
        status=1
      fi
    }
    where POSIX 'unistd|fcntl|dirent|pwd|grp|langinfo|dlfcn|poll|termios|sys/[a-z_]+' \
      'posix|linux|tests|tools'
    where X11 'X11/[A-Za-z_]+' 'linux'
    where emscripten 'emscripten(/[a-z_0-9]+)?' 'web'
    where Win32 'windows|winbase|winuser|shlobj|shellapi|io|direct' 'windows|tests/windows'
    for bin in "$@"; do
      found=$(sdl_in "$bin")
      if [ -n "$found" ]; then
        echo "$(basename "$bin") is tied to SDL:"
        echo "$found" | sed 's/^/  /'
        status=1
      else
        echo "$(basename "$bin"): no SDL"
      fi
    done
    ;;
  --dirty)
    if [ -z "$(sdl_in "$1")" ]; then
      echo "$(basename "$1") links SDL, yet the check finds none: the check is broken"
      status=1
    else
      echo "$(basename "$1"): SDL found, as it must be"
    fi
    ;;
  *)
    echo "usage: $0 SOURCE_ROOT --clean BINARY... | --dirty BINARY" >&2
    exit 2
    ;;
esac
exit $status
