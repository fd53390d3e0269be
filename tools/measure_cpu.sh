#!/usr/bin/env bash
# CPU use of the running game under a private Xvfb, against a bare SDL window that presents a
# changing frame every 25 ms the game's way (its window surface), side by side in one run:
#   tools/measure_cpu.sh [seconds] [rounds] [build folder]   (after a build; default build-test/)
# CPU time is each thread's time on a core in nanoseconds (/proc/PID/task/*/schedstat), so a
# process's sound thread counts with its main thread. The game (in play, 50 bubbles moving, no
# clicks) and the bare window run side by side and are measured in alternating spans, the one
# not measured stopped (SIGSTOP), so that both see the same machine within seconds; every round
# prints both and their ratio. The game uses the sound device this machine has (with none, it
# plays silently and holds no device); then play with a sound device standing in (SDL's disk
# driver writing to /dev/null, whose thread wakes once per buffer as a real one's does) is
# measured the same way, in a third as many rounds. The title at rest, and the bare window
# drawing through SDL's renderer (the game's former way), are measured once.
set -euo pipefail
cd "$(dirname "$0")/.."
span=${1:-10}
rounds=${2:-3}
build=${3:-build-test}
work=$(mktemp -d)
trap 'kill -CONT $(jobs -p) 2>/dev/null || true; kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
read -r -u "$fd" display
export DISPLAY=":$display"

oncpu() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%.0f", ns}'; }
spend() {  # spend PID: percent of one core PID used over the next span
  local a b
  a=$(oncpu "$1")
  sleep "$span"
  b=$(oncpu "$1")
  awk -v d=$((b - a)) -v s="$span" 'BEGIN { printf "%.2f", d / 1e7 / s }'
}
window_of() {
  for _ in $(seq 400); do  # up to 20 s on a busy machine
    id=$(xwininfo -name "$1" 2>/dev/null | awk '/Window id/{print $4}') && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.05
  done
  echo "no window $1" >&2; exit 1
}

cp "$build"/data/* "$work/"
start_game() {  # start_game [VAR=value ...]: the game, its pid in $game, its window in $w
  (cd "$work" && exec env "$@" "$OLDPWD/$build/frothy" 2> >(grep -v -e '^ALSA lib' -e '^CRITICAL' >&2)) &
  game=$!
  w=$(window_of 'FROTHY!')
  xdotool mousemove --window "$w" 300 380
  sleep 1
}
start_play() {  # a click on the START button, then the pointer back off the bubbles
  xdotool mousemove --window "$w" 197 197 click 1 mousemove --window "$w" 300 380
}
against_bare() {  # against_bare LABEL ROUNDS: the running game ($game, in play) and the bare
  # window ($bare, stopped) in alternating spans; the game is left running, the bare window stopped
  local total_game=0 total_bare=0 g b round
  for round in $(seq "$2"); do
    g=$(spend "$game")
    kill -STOP "$game"; kill -CONT "$bare"; sleep 1
    b=$(spend "$bare")
    kill -STOP "$bare"; kill -CONT "$game"; sleep 1
    printf 'round %d: %s %5s %%, bare window (surface) %5s %%: %s x\n' "$round" "$1" "$g" "$b" \
      "$(awk -v g="$g" -v b="$b" 'BEGIN { printf "%.2f", g / b }')"
    total_game=$(awk -v t="$total_game" -v g="$g" 'BEGIN { print t + g }')
    total_bare=$(awk -v t="$total_bare" -v b="$b" 'BEGIN { print t + b }')
  done
  awk -v g="$total_game" -v b="$total_bare" -v n="$2" -v what="$1" 'BEGIN {
    printf "%-34s %5.2f %% of one core\n", what ", 50 bubbles moving", g / n
    printf "%-34s %5.2f %% of one core\n", "bare window, 40/s, surface", b / n
    printf "%-34s %5.2f x\n", what " against the bare window", g / b }'
}

start_game
printf '%-34s %5s %% of one core\n' "title at rest" "$(spend "$game")"
start_play

"$build"/bare_window 1e9 surface >/dev/null &
bare=$!
window_of bare >/dev/null
kill -STOP "$bare"
sleep 1
against_bare play "$rounds"
kill "$game"; wait "$game" 2>/dev/null || true

start_game SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null
start_play
sleep 1
against_bare "play with a device" $(((rounds + 2) / 3))
kill -CONT "$bare"; kill "$game" "$bare"; wait "$game" "$bare" 2>/dev/null || true

"$build"/bare_window 1e9 renderer >/dev/null 2>&1 &
bare=$!
window_of bare >/dev/null
sleep 1
printf '%-34s %5s %% of one core\n' "bare window, 40/s, renderer" "$(spend "$bare")"
kill "$bare"; wait "$bare" 2>/dev/null || true
