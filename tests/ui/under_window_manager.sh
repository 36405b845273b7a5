#!/usr/bin/env bash
# Runs a test program on a private X server with a window manager (openbox), where
# windows get real frames, placements and dialogs as on a desktop.
#   under_window_manager.sh PROGRAM [ARGUMENTS...]
# Exits 77 (skipped) with a message when no X server or window manager can start.
set -uo pipefail
unset DISPLAY
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing (scripts/install-deps.sh --test)"; exit 77; }
done

server_pid=
manager_pid=
cleanup() {
  [[ -n $manager_pid ]] && kill "$manager_pid" 2>/dev/null
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null
  [[ -n ${home:-} ]] && rm -rf "$home"
}
trap cleanup EXIT

# A display number nobody uses; the server says it is ready by closing the pipe.
for number in $(seq 120 180); do
  [[ -e /tmp/.X11-unix/X$number || -e /tmp/.X$number-lock ]] && continue
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  server_pid=$!
  for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$number ]] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -e /tmp/.X11-unix/X$number ]] && kill -0 "$server_pid" 2>/dev/null; then
    export DISPLAY=":$number"
    break
  fi
  server_pid=
done
[[ -n ${DISPLAY:-} && -n $server_pid ]] || { echo "skipped: no X server could start"; exit 77; }

home=$(mktemp -d)
HOME=$home openbox >/dev/null 2>&1 &
manager_pid=$!
sleep 1
kill -0 "$manager_pid" 2>/dev/null || { echo "skipped: openbox could not start"; exit 77; }

# Under the leak checker, the desktop libraries' own leaks are not ours to report.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/real_display.supp"
QT_QPA_PLATFORM=xcb "$@"
