#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS]: builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for SECONDS (default 60) on a throwaway copy of its
# seed corpus, so the corpus in the repository never grows. Exits non-zero when any run
# found a crash, a leak or a timeout; the reproducer is kept and its path printed.
# Needs clang and its runtimes (Debian: clang libclang-rt-14-dev); this script installs nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz  # the fuzz preset's folder

# The fuzz preset: clang, the sanitizers, and -fsanitize=fuzzer-no-link for the whole tree.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)"

work=$(mktemp -d "${TMPDIR:-/tmp}/frothy-fuzz.XXXXXX")
failed=0

run() {  # run TARGET CORPUS-NAME: what it found goes to $work/TARGET/summary, a failure marked
  local target=$1 dir="$work/$1"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp tests/fuzz/corpus/"$2"/* "$dir/corpus/"
  local status=0
  # Leaks are checked for every target: neither SDL's decoders nor SDL_ttf keep anything that
  # LeakSanitizer reports, so no suppression is needed.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log" 2>&1 || status=$?
  local runs cov
  # "Done N runs" after a full run; after a failure, the last progress line's count.
  runs=$(sed -n -e 's/^Done \([0-9]*\) runs.*/\1/p' -e 's/^#\([0-9]*\)\t.*/\1/p' "$dir/log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$dir/log" | tail -n 1 || true)
  exec >"$dir/summary"
  if [ "$status" -eq 0 ]; then
    echo "$target: ok, ${runs:-?} executions in ${seconds} s, ${cov:-no coverage line}," \
         "corpus $(ls "$dir/corpus" | wc -l) files"
  else
    touch "$dir/failed"
    echo "$target: FAILED (exit $status) after ${runs:-?} executions, ${cov:-no coverage line};" \
         "log $dir/log"
    grep -E '^(==[0-9]+== ?ERROR|SUMMARY|.*runtime error)' "$dir/log" | head -n 5 || true
    ls "$dir"/artifacts/* 2>/dev/null | sed 's/^/  reproducer: /' || true
  fi
}

# The targets run side by side, as many at once as there are cores, each for the whole time.
cores=$(nproc 2>/dev/null || echo 2)
targets=(fuzz_sheet:sheet fuzz_record:record fuzz_wave:wave)
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do wait -n || true; done
  (run "${t%%:*}" "${t#*:}") &
done
wait
for t in "${targets[@]}"; do
  cat "$work/${t%%:*}/summary" 2>/dev/null || echo "${t%%:*}: FAILED, no summary"
  [ ! -e "$work/${t%%:*}/failed" ] && [ -e "$work/${t%%:*}/summary" ] || failed=1
done

if [ "$failed" -eq 0 ]; then
  rm -rf "$work"
else
  echo "kept $work"
fi
exit "$failed"
