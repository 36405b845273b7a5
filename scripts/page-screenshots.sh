#!/usr/bin/env bash
# Takes the modern page's screenshots for the README: the sample as a modern page,
# light and dark, at phone and desktop width, in headless Chromium. Needs a
# configured build and the test dependencies (scripts/install-deps.sh --test).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset default --target write_pages scrivane-convert >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/tests/write_pages "$work" examples/sample.txt >/dev/null
node tests/page/screenshots.mjs "$work/newsletter.html" docs/screenshots
# A table wider than a phone, with a short row: it scrolls in its own box.
node tests/page/screenshots.mjs "$work/table-csv-header.html" docs/screenshots modern-table
# A real README (bash's) as Smart format and as Structured text.
for format in smart structured; do
  build/bin/scrivane-convert --modern --lang en --format "$format" --title "" \
    -o "$work/readme-$format.html" tests/conversion/golden/structured/bash-readme.txt >/dev/null
  node tests/page/screenshots.mjs "$work/readme-$format.html" docs/screenshots "readme-$format" 2000
done
echo "Screenshots in docs/screenshots/modern-*.png and readme-*.png"
