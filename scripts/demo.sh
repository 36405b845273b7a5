#!/usr/bin/env bash
# Installs what is missing, builds, and converts the shipped sample text.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target scrivane
build/bin/scrivane examples/sample.txt
echo "Open $(pwd)/examples/sample.txt.html in a browser to see the result."
