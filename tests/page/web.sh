#!/usr/bin/env bash
# The web page's tests:
#   web.sh build SOURCE FOLDER    builds the page with emscripten (the web preset) in FOLDER
#   web.sh browse FOLDER SCRIVANE_CONVERT SOURCE
#                                 tries it in Chromium (web_page.mjs); writes FOLDER/checked
#                                 for the Nu Html Checker
#   web.sh validate FOLDER        the Nu Html Checker on FOLDER/checked
# Exits 77 (skipped) when emscripten, Chromium or the npm packages are missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
skip() { echo "skipped: $1 (scripts/install-deps.sh --test installs it)"; exit 77; }
command -v emcc >/dev/null || skip "emscripten is missing"
case ${1:-} in
  build)
    source=$2 folder=$3
    cd "$source"
    [[ -f $folder/CMakeCache.txt ]] || cmake --preset web -B "$folder" >/dev/null
    exec cmake --build "$folder"
    ;;
  browse)
    folder=$2 convert=$3 source=$4
    [[ -d $here/node_modules ]] || skip "the npm packages of tests/page are missing"
    [[ -x /usr/bin/chromium ]] || skip "chromium is missing"
    [[ -f $folder/web/engine.js ]] || { echo "the page is not built: $folder/web/engine.js" >&2; exit 1; }
    rm -rf "$folder/checked"
    exec node "$here/web_page.mjs" "$folder/web" "$convert" "$source/tests/library/format_cases.txt" \
      "$folder/checked" "$source/examples/sample.txt" "$here"/web_inputs/*.txt
    ;;
  validate)
    [[ -d $2/checked ]] || skip "the page was not tried in Chromium"
    exec "$here/check.sh" validate "$2/checked"
    ;;
esac
echo "usage: web.sh build SOURCE FOLDER | browse FOLDER SCRIVANE_CONVERT SOURCE | validate FOLDER" >&2
exit 2
