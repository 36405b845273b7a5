#!/usr/bin/env bash
# Builds a fuzz target with clang (libFuzzer, AddressSanitizer, UBSan) and runs
# it for a given time: scripts/fuzz.sh markup|conversion SECONDS [libFuzzer options]
# New inputs collect in build-fuzz/corpus/TARGET, failing inputs in
# build-fuzz/findings/TARGET/; the seed corpus in tests/fuzz/corpus is only read.
# Replay a finding with: build-fuzz/tests/fuzz_TARGET FILE
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-}
seconds=${2:-}
if [[ ! "$target" =~ ^(markup|conversion)$ || ! "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh markup|conversion SECONDS [libFuzzer options]" >&2
  exit 2
fi
shift 2

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "fuzz_$target"

work=build-fuzz
mkdir -p "$work/corpus/$target" "$work/findings/$target" "$work/tmp"
export TMPDIR=$PWD/$work/tmp  # the conversion target's files
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
exec "$work/tests/fuzz_$target" "$work/corpus/$target" "tests/fuzz/corpus/$target" \
  -dict=tests/fuzz/markup.dict -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=4096 \
  -artifact_prefix="$work/findings/$target/" -print_final_stats=1 "$@"
