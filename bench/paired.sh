#!/usr/bin/env bash
# Whole-process times in interleaved pairs (A B A B ...), so that a busy machine
# slows both sides of a pair alike: prints the median of the per-pair ratios
# A/B, their spread, and each side's peak memory. Pairs:
#  - the program on a file (`scrivane FILE`, classic Smart) against `cp` of it;
#  - modern against classic pages, per format, through scrivane-convert;
#  - each format after the first against the first, in either profile (with
#    --formats "smart structured": structured text against Smart).
# The corpus is real text: the licence and copyright texts Debian installs,
# repeated to about 100 MB.
# Usage: bench/paired.sh [--pairs N] [--dir DIR] [--formats "smart table ..."] [--bin DIR]
#   --bin  the programs in DIR instead of this tree's build (built first)
set -euo pipefail
cd "$(dirname "$0")/.."

pairs=9
dir=${TMPDIR:-/tmp}/scrivane-paired
formats="smart table"
bin=
while (($#)); do
  case $1 in
    --pairs) pairs=$2; shift ;;
    --dir) dir=$2; shift ;;
    --formats) formats=$2; shift ;;
    --bin) bin=$(realpath "$2"); shift ;;
    *) echo "usage: $0 [--pairs N] [--dir DIR] [--formats \"smart table ...\"] [--bin DIR]" >&2; exit 2 ;;
  esac
  shift
done
[[ -x /usr/bin/time ]] || { echo "$0: needs /usr/bin/time (package time)" >&2; exit 2; }
if [[ -z $bin ]]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target scrivane scrivane-convert >/dev/null
  bin=$(pwd)/build/bin
fi

mkdir -p "$dir/config"
export XDG_CONFIG_HOME="$dir/config"  # an empty store: Smart format, every link option on, a web page
corpus=$dir/licences.txt
if [[ ! -s $corpus ]]; then
  cat /usr/share/common-licenses/* /usr/share/doc/*/copyright 2>/dev/null > "$dir/once.txt"
  : > "$corpus"
  while (($(stat -c %s "$corpus") < 100 * 1000 * 1000)); do cat "$dir/once.txt" >> "$corpus"; done
  rm -f "$dir/once.txt"
fi

# Runs one command after removing its output; prints its wall time in
# microseconds and its peak memory in KiB.
timed() {
  local output=$1; shift
  rm -f "$output"
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$dir/rss" "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(tail -1 "$dir/rss")"
}

# Interleaves `pairs` runs of two commands, each given as OUTPUT COMMAND... and
# separated by --; prints the line of figures for the pair.
paired() {
  local name=$1; shift
  local a=() b=()
  while [[ $1 != -- ]]; do a+=("$1"); shift; done
  shift
  b=("$@")
  local ratios=() ta tb ra rb peakA=0 peakB=0 sumA=0 sumB=0
  for ((i = 0; i < pairs; i++)); do
    read -r ta ra < <(timed "${a[@]}")
    read -r tb rb < <(timed "${b[@]}")
    ratios+=("$(awk -v x="$ta" -v y="$tb" 'BEGIN {printf "%.4f", x / y}')")
    ((ra > peakA)) && peakA=$ra
    ((rb > peakB)) && peakB=$rb
    sumA=$((sumA + ta)); sumB=$((sumB + tb))
  done
  printf '%s\n' "${ratios[@]}" | sort -n | awk -v n="$name" -v ta="$sumA" -v tb="$sumB" -v p="$pairs" \
    -v ma="$peakA" -v mb="$peakB" '{r[NR] = $1} END {
      printf "%-34s %8.2f %6.2f-%-6.2f %9.3f %9.3f %9.1f %9.1f\n", n, r[int((NR + 1) / 2)], r[1], r[NR],
        ta / p / 1e6, tb / p / 1e6, ma / 1024, mb / 1024 }'
}

megabytes=$(awk -v b="$(stat -c %s "$corpus")" 'BEGIN {printf "%.1f", b / 1e6}')
printf '%s, %s, %s MB of licence texts, %s pairs\n' "$(date -u +%F)" \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(nproc) cores" "$megabytes" "$pairs"
printf '%-34s %8s %13s %9s %9s %9s %9s\n' "A against B" "median" "spread" "A s" "B s" "A MiB" "B MiB"
paired "scrivane FILE / cp" "$corpus.html" "$bin/scrivane" "$corpus" -- "$dir/copy.txt" cp "$corpus" "$dir/copy.txt"
for format in $formats; do
  paired "$format: modern / classic" "$dir/modern.html" "$bin/scrivane-convert" --format "$format" --modern \
    -o "$dir/modern.html" "$corpus" -- "$dir/classic.html" "$bin/scrivane-convert" --format "$format" --classic \
    -o "$dir/classic.html" "$corpus"
done
read -r first others <<<"$formats"
for format in $others; do
  for profile in classic modern; do
    paired "$format / $first ($profile)" "$dir/modern.html" "$bin/scrivane-convert" --format "$format" \
      "--$profile" -o "$dir/modern.html" "$corpus" -- "$dir/classic.html" "$bin/scrivane-convert" \
      --format "$first" "--$profile" -o "$dir/classic.html" "$corpus"
  done
done
rm -f "$corpus.html" "$dir/copy.txt" "$dir/modern.html" "$dir/classic.html"
