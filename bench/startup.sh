#!/usr/bin/env bash
# Start-up times, each the median of several runs:
#  - a command-line conversion of a 1 KiB file, whole process;
#  - the window, from launch until it is mapped on a private X server (Xvfb).
# Needs xvfb, xdotool and x11-utils (xev).
# Usage: bench/startup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
program=$(pwd)/build/bin/scrivane
cmake --build --preset default --target scrivane >/dev/null

work=$(mktemp -d)
server=
trap '[[ -n $server ]] && kill $server 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config HOME=$work
head -c 1024 examples/sample.txt > "$work/small.txt"

median() { sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]}'; }
now() { date +%s%N; }

for ((i = 0; i < runs; i++)); do
  start=$(now); "$program" "$work/small.txt" >/dev/null; end=$(now)
  echo $(((end - start) / 1000))
done | awk '{print $1 / 1000}' | median | xargs printf 'command line, 1 KiB file: %s ms\n'

display=:$((150 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
export DISPLAY=$display
for ((i = 0; i < 500; i++)); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.01; done
# One watcher on the root window reports every window mapped; the time is taken
# when the first MapNotify after the launch arrives.
for ((i = 0; i < runs; i++)); do
  events=$work/events
  : > "$events"
  xev -root -event substructure > "$events" 2>/dev/null &
  watcher=$!
  sleep 0.2  # lets the watcher connect and select its events
  start=$(now)
  "$program" >/dev/null 2>&1 &
  app=$!
  until grep -q MapNotify "$events"; do
    kill -0 "$app" 2>/dev/null || { echo "the window did not start" >&2; exit 1; }
    sleep 0.002
  done
  end=$(now)
  kill "$app" "$watcher"; wait "$app" "$watcher" 2>/dev/null || true
  echo $(((end - start) / 1000))
done | awk '{print $1 / 1000}' | median | xargs printf 'window, launch to mapped: %s ms\n'
