#!/usr/bin/env bash
# Builds the Debian package into build/package/ and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
cmake --preset default >/dev/null
cmake --build --preset default --target scrivane scrivane-convert man_pages libscrivane scrivane_python
rm -f build/package/scrivane_*.deb
cpack --config build/CPackConfig.cmake -B build/package >/dev/null
ls build/package/scrivane_*.deb
