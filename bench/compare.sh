#!/usr/bin/env bash
# End-to-end speed of the program beside reference commands on the same files,
# in the same run: prints MB/s, peak memory and each command's time relative to
# scrivane's. Usage: bench/compare.sh [--full] [--runs N] [--dir DIR]
#   --full   also the 1 GiB corpus (needs about 3 GiB of free disk)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=5
full=0
dir=${TMPDIR:-/tmp}/scrivane-bench
while (($#)); do
  case $1 in
    --full) full=1 ;;
    --runs) runs=$2; shift ;;
    --dir) dir=$2; shift ;;
    *) echo "usage: $0 [--full] [--runs N] [--dir DIR]" >&2; exit 2 ;;
  esac
  shift
done

need=()
command -v cmark-gfm >/dev/null || need+=(cmark-gfm)
[[ -x /usr/bin/time ]] || need+=(time)
if ((${#need[@]})); then
  sudo=(); [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq && "${sudo[@]}" apt-get install -y -qq "${need[@]}" >/dev/null
fi
cmake --preset default >/dev/null
cmake --build --preset default --target scrivane make_corpus >/dev/null

mkdir -p "$dir/config"
export XDG_CONFIG_HOME="$dir/config"   # an empty store: Smart format, every link option on, a web page
bin=$(pwd)/build/bin

corpora=(synthetic-10M synthetic-100M)
((full)) && corpora+=(synthetic-1G)
corpora+=(debian-docs)
for corpus in "${corpora[@]}"; do
  file=$dir/$corpus.txt
  [[ -s $file ]] && continue
  case $corpus in
    synthetic-10M) "$bin/make_corpus" "$file" 10 ;;
    synthetic-100M) "$bin/make_corpus" "$file" 100 ;;
    synthetic-1G) "$bin/make_corpus" "$file" 1024 ;;
    debian-docs)  # the licence and copyright texts Debian installs, repeated to about 64 MiB
      once=$dir/debian-docs-once.txt
      cat /usr/share/common-licenses/* /usr/share/doc/*/copyright 2>/dev/null > "$once"
      : > "$file"
      while (($(stat -c %s "$file") < 64 * 1024 * 1024)); do cat "$once" >> "$file"; done
      rm -f "$once" ;;
  esac
done

# Median wall time of `runs` runs, and the largest peak RSS seen, of one command.
measure() {
  local times=() rss=0 start end peak
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$dir/rss" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=("$(((end - start) / 1000))")
    peak=$(tail -1 "$dir/rss")
    ((peak > rss)) && rss=$peak
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.4f", a[int((NR+1)/2)] / 1e6}')" "$rss"
}

printf '%s, %s, %s runs each, median\n' "$(date -u +%F)" "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(nproc) cores" "$runs"
printf '%-15s %-24s %9s %9s %12s %10s\n' corpus command seconds MB/s "peak RSS MiB" "x scrivane"
for corpus in "${corpora[@]}"; do
  file=$dir/$corpus.txt
  megabytes=$(awk -v b="$(stat -c %s "$file")" 'BEGIN {printf "%.1f", b / 1e6}')
  read -r ours ours_rss < <(measure "$bin/scrivane" "$file")
  rows=("scrivane|$ours|$ours_rss")
  read -r t r < <(measure cp "$file" "$dir/copy.out"); rows+=("cp|$t|$r")
  read -r t r < <(measure sh -c "cmark-gfm -e autolink '$file' > '$dir/cmark.out'"); rows+=("cmark-gfm -e autolink|$t|$r")
  for row in "${rows[@]}"; do
    IFS='|' read -r name seconds rss <<< "$row"
    awk -v c="$corpus" -v n="$name" -v s="$seconds" -v m="$megabytes" -v r="$rss" -v o="$ours" 'BEGIN {
      printf "%-15s %-24s %9.3f %9.0f %12.1f %10.2f\n", c, n, s, (s > 0 ? m / s : 0), r / 1024, (o > 0 ? s / o : 0) }'
  done
  rm -f "$file.html" "$dir/copy.out" "$dir/cmark.out"
done
