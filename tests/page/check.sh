#!/usr/bin/env bash
# Runs one checker over a folder of modern documents:
#   check.sh validate FOLDER   the Nu Html Checker: no error, no warning (sub-folders too)
#   check.sh browse FOLDER     axe-core, phone width and dark scheme in Chromium
# Exits 77 (skipped) when the checker is not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
what=$1 folder=$2
skip() { echo "skipped: $1 (scripts/install-deps.sh --test installs it)"; exit 77; }
[[ -d $here/node_modules ]] || skip "the npm packages of tests/page are missing"
case $what in
  validate)
    command -v java >/dev/null || skip "java is missing"
    # One JVM for the whole folder; --Werror makes warnings fail too. The language
    # is the user's to say, so the checker's guess from the text is not asked for.
    options=(--Werror --skip-non-html --no-langdetect)
    exec java -Xss8m -jar "$here/node_modules/vnu-jar/build/dist/vnu.jar" "${options[@]}" "$folder"
    ;;
  browse)
    [[ -x /usr/bin/chromium ]] || skip "chromium is missing"
    exec node "$here/check_pages.mjs" "$folder"
    ;;
esac
echo "usage: check.sh validate|browse FOLDER" >&2
exit 2
