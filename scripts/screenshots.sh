#!/usr/bin/env bash
# Takes the window's screenshots for the README: each of the four pages, and the
# bar, under a private X server with a private settings folder; then the same on
# a dark palette (NAME-dark.png). Needs a built
# build/bin/scrivane and the packages xvfb, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
program=build/bin/scrivane
out=docs/screenshots
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done
[[ -x $program ]] || { echo "Build $program first (cmake --build --preset default --target scrivane)" >&2; exit 1; }

work=/tmp/scrivane-screenshots
rm -rf "$work"
display=:$((90 + RANDOM % 100))
server_pid=
app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A first start with a file to convert and a short history.
notes=$work/notes
mkdir -p "$notes" "$work/config/Scrivan" "$out"
cp examples/sample.txt "$notes/newsletter.txt"
cat >"$work/config/Scrivan/Scrivan.ini" <<INI
[General]
Input=1
Output=1
BGColor=#FFFFF0
TextColor=#203040
FontColor=#203040
FontSize=3
CharSet=utf-8
FontFace=DejaVu Sans
[Files]
In0=$notes/newsletter.txt
In1=$notes/minutes.txt
INI

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
server_pid=$!
export DISPLAY=$display
sleep 1

# One pass: the four pages and the bar, named with `suffix`; the environment
# given picks the palette.
shoot_all() {
  local suffix=$1
  shift
  # Each window writes its page afresh: it would ask before replacing a page an
  # earlier window wrote.
  rm -f "$notes/newsletter.txt.html"
  env "$@" XDG_CONFIG_HOME="$work/config" "$program" >/dev/null 2>&1 &
  app_pid=$!

  window=
  for _ in $(seq 50); do
    window=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1) && [[ -n $window ]] && break
    sleep 0.2
  done
  [[ -n $window ]] || { echo "The window did not appear" >&2; exit 1; }
  sleep 6  # the font list fills on the first timer tick

  # Points in the window as fractions of its size: the layout scales as a whole.
  read -r width height < <(xdotool getwindowgeometry "$window" | awk '/Geometry/ {split($2, s, "x"); print s[1], s[2]}')
  click() {  # x and y in design units (twips) of the 7050 x 5805 window
    xdotool mousemove --window "$window" $(($1 * width / 7050)) $(($2 * height / 5805)) click 1
    sleep 0.7
  }
  next_page() {  # the wheel over the tab strip turns the page
    xdotool mousemove --window "$window" $((1500 * width / 7050)) $((1180 * height / 5805)) click 5
    sleep 0.7
  }
  shoot() { import -window "$window" "$out/$1$suffix.png"; }

  click 4732 690  # Convert
  sleep 1
  shoot input-output
  next_page
  shoot web-page
  next_page
  shoot general
  next_page
  shoot about
  next_page

  click 322 742  # Bar
  window=$(xdotool search --onlyvisible --pid "$app_pid" | head -n 1)
  shoot bar
  # Killed, not closed: the next pass starts from the same settings.
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}

shoot_all ""
shoot_all -dark SCRIVANE_PALETTE=dark
echo "Screenshots in $out/"
