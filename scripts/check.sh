#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs the whole test suite:
# once in the default build, once under AddressSanitizer and UBSan (asan preset).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
