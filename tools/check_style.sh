#!/usr/bin/env bash
# The conventions, checked: every source in the layout clang-format gives it, and clang-tidy with
# the project's configuration over the project's own sources, compiled as BUILD_DIR compiles
# them (its compile_commands.json). Any finding fails the check.
#   tools/check_style.sh [BUILD_DIR]
# A file clang-tidy found clean is not checked again while nothing that decides its result has
# changed: the cache, ${XDG_CACHE_HOME:-~/.cache}/frothy/clang-tidy/ (FROTHY_TIDY_CACHE moves
# it), holds one empty file per clean result, named by a digest of clang-tidy's version,
# .clang-tidy, the file's compile command (with the checkout's and the build's folders taken
# out, so that every clone on the machine shares it), the file itself and every tracked header
# (a header's findings count for every file that includes it).
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
if [ ! -f "$build/compile_commands.json" ]; then
  echo "clang-tidy: $build/compile_commands.json missing: configure that build first" >&2
  exit 1
fi
cache=${FROTHY_TIDY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/frothy/clang-tidy}
mkdir -p "$cache"
# "digest file" for each unit.
mapfile -t keyed < <(clang-tidy --version | python3 -c '
import hashlib, json, os, subprocess, sys
build, units = sys.argv[1], sys.argv[2:]
common = hashlib.sha256(sys.stdin.buffer.read())
with open(".clang-tidy", "rb") as f:
    common.update(f.read())
headers = subprocess.run(["git", "ls-files", "*.hpp"], check=True, capture_output=True,
                         text=True).stdout.split()
for h in sorted(headers):
    with open(h, "rb") as f:
        common.update(h.encode() + b"\0" + f.read() + b"\0")
top, out = os.path.realpath("."), os.path.realpath(build)
def portable(entry):
    text = json.dumps(entry, sort_keys=True)
    return text.replace(out, "<build>").replace(top, "<source>")
with open(os.path.join(build, "compile_commands.json")) as f:
    commands = {os.path.realpath(e["file"]): portable(e) for e in json.load(f)}
for unit in units:
    key = common.copy()
    key.update(commands.get(os.path.realpath(unit), "not compiled").encode() + b"\0")
    with open(unit, "rb") as f:
        key.update(f.read())
    print(key.hexdigest(), unit)
' "$build" "${units[@]}")

# A digest that could not be made must not pass for a clean result.
if [ ${#keyed[@]} -ne ${#units[@]} ]; then
  echo "clang-tidy: could not key the files to check (${#keyed[@]} of ${#units[@]})" >&2
  exit 1
fi
todo=()
for line in "${keyed[@]}"; do
  [ -e "$cache/${line%% *}" ] || todo+=("$line")
done

# tidy_one DIGEST FILE: checks one file; a clean result goes into the cache, findings into
# DIGEST.findings beside it for the report below.
tidy_one() {
  local out status=0
  out=$(clang-tidy -p "$build" --quiet "$2" 2>&1) || status=$?
  if [ "$status" -eq 0 ] && ! grep -q -E '(warning|error):' <<<"$out"; then
    : >"$cache/$1"
  else
    printf '%s\n(clang-tidy exit status %s)\n' "$out" "$status" >"$cache/$1.findings"
  fi
}
export -f tidy_one
export build cache
rm -f "$cache"/*.findings
if [ ${#todo[@]} -gt 0 ]; then
  printf '%s\n' "${todo[@]}" |
    xargs -P "$(nproc 2>/dev/null || echo 2)" -L 1 bash -c 'tidy_one "$@"' tidy_one
fi
if compgen -G "$cache/*.findings" >/dev/null; then
  for f in "$cache"/*.findings; do
    grep -E -A3 '(warning|error):' "$f" || cat "$f"
  done
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: ${#units[@]} files clean ($((${#units[@]} - ${#todo[@]})) unchanged since a" \
     "clean check, ${#todo[@]} checked)"
