#!/usr/bin/env bash
# The conventions, checked: every source in the layout clang-format gives it, and clang-tidy with
# the project's configuration over the project's own sources, compiled as BUILD_DIR compiles
# them (its compile_commands.json). Any finding fails the check.
#   tools/check_style.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

mapfile -t sources < <(git ls-files '*.cpp' '*.hpp')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files in shape"

# Only translation units the build compiles; the fuzz targets need clang's fuzzer flags, the
# browser's platform layer (web/) compiles only with emscripten, and Windows' (windows/ and its
# tests) only with MinGW.
mapfile -t units < <(git ls-files '*.cpp' |
                     grep -v -e '^tests/fuzz/' -e '^web/' -e '^windows/' -e '^tests/windows/')
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\n' "${units[@]}" |
  xargs -P "$(nproc 2>/dev/null || echo 2)" -n 4 clang-tidy -p "$build" --quiet >"$log" 2>&1 ||
  status=$?
if [ "$status" -ne 0 ] || grep -q -E '(warning|error):' "$log"; then
  grep -E -A3 '(warning|error):' "$log" || cat "$log"
  echo "clang-tidy: findings above (status $status)" >&2
  exit 1
fi
echo "clang-tidy: ${#units[@]} files clean"
