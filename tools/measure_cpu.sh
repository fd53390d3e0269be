#!/usr/bin/env bash
# CPU use of the running game under a private Xvfb, read from /proc as user + system time over
# a fixed span: the title at rest, a game in play (50 bubbles moving, no clicks), and the bare
# SDL window that presents a frame every 25 ms the game's way (its window surface) and through
# SDL's renderer, side by side in one run.
#   tools/measure_cpu.sh [seconds] [build folder]   (after a build; default build-test/)
set -euo pipefail
cd "$(dirname "$0")/.."
span=${1:-10}
build=${2:-build-test}
hz=$(getconf CLK_TCK)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
read -r -u "$fd" display
export DISPLAY=":$display" SDL_AUDIODRIVER=dummy

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
measure() {  # measure PID LABEL
  local a b
  a=$(ticks "$1")
  sleep "$span"
  b=$(ticks "$1")
  awk -v d=$((b - a)) -v hz="$hz" -v s="$span" -v l="$2" \
    'BEGIN { printf "%-28s %5.2f %% of one core\n", l, 100 * d / hz / s }'
}
window_of() {
  for _ in $(seq 400); do  # up to 20 s on a busy machine
    id=$(xwininfo -name "$1" 2>/dev/null | awk '/Window id/{print $4}') && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.05
  done
  echo "no window $1" >&2; exit 1
}

cp "$build"/data/* "$work/"
(cd "$work" && exec "$OLDPWD/$build/frothy") &
game=$!
w=$(window_of 'FROTHY!')
xdotool mousemove --window "$w" 300 380
sleep 1
measure "$game" "title at rest"
xdotool mousemove --window "$w" 197 197 click 1 mousemove --window "$w" 300 380
sleep 1
measure "$game" "play, 50 bubbles moving"
kill "$game"; wait "$game" 2>/dev/null || true

for path in surface renderer; do
  "$build"/bare_window $((span + 2)) "$path" >/dev/null &
  bare=$!
  window_of bare >/dev/null
  sleep 1
  measure "$bare" "bare window, 40/s, $path"
  wait "$bare" || true
done
