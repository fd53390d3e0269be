#!/usr/bin/env bash
# Runs a Windows program of the build under Debian's wine64, as ctest's emulator: a private
# Wine prefix for each run (removed afterwards), Wine's own messages off, no offer to install
# Mono or Gecko, and a UTF-8 locale. The program's exit status is the script's.
#   WINE_KEEP_PREFIX=1  leave the prefix for a look afterwards (its path goes to stderr)
set -uo pipefail
wine=${WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine) || {
  echo "wine.sh: wine64 is not installed (Debian package wine64)" >&2
  exit 2
}
prefix=$(mktemp -d "${TMPDIR:-/tmp}/frothy-wine.XXXXXX")
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# Wine names Unix files in the locale's character set: without a UTF-8 one (a login with no
# LANG) a folder named in Japanese cannot be made.
export LC_ALL=C.UTF-8
"$wine" "$@"
status=$?
WINESERVER=${wine%/*}/wineserver
[ -x "$WINESERVER" ] || WINESERVER=wineserver
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w >/dev/null 2>&1
if [ -n "${WINE_KEEP_PREFIX:-}" ]; then echo "wine.sh: prefix $prefix" >&2; else rm -rf "$prefix"; fi
exit $status
