#!/usr/bin/env bash
# What each report section costs per file on a tree of small files: a bare walk (every section
# omitted, only the headings), then each section alone, then the whole default report. Prints
# milliseconds per file, the section rows net of the bare walk. With several build folders the
# columns stand side by side, measured in one run (the same tree, the same page cache).
# Usage: bench/tree-sections.sh [build-dir ...]      (default: build)
#   RUNS=3              runs per command (the median is taken)
#   TREE_FILES=10000    files of 2,000 bytes, 100 per folder
#   DATA=/tmp/scrutel-compare   where the tree is made once and reused (shared with compare.sh)
#   SECTIONS="H R ..."  the section letters to time (default: all sixteen)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=("$here/build")
runs=${RUNS:-3}
tree_files=${TREE_FILES:-10000}
data=${DATA:-/tmp/scrutel-compare}
tree=$data/tree-$tree_files
all="H R Z T A C D X E L V I P F S N"
sections=${SECTIONS:-$all}
cd "$here" || exit 1

source "$here/bench/tree-data.sh"
make_tree "$tree" "$tree_files" 100
wtree="Z:$(echo "$tree" | tr / '\\')"

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
# Median wall time of RUNS runs of the plugin of build folder $1 with the remaining arguments.
timed() {
  local b=$1
  shift
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    tools/wine-run "$b/plughost.exe" --transient "$b/scrutel.dll" scrutel "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN {printf "%.3f\n", e - s}'
  done | median
}
omit_all_but() { # the /O: switch that leaves only section $1 (nothing: every section omitted)
  local letters=""
  for l in $all; do [ "$l" != "$1" ] && letters="$letters$l"; done
  echo "/O:$letters"
}
per_file() { awk -v t="$1" -v b="$2" -v n="$tree_files" 'BEGIN {printf "%.3f", (t - b) * 1000 / n}'; }

cat "$tree"/d*/* >/dev/null 2>&1 # into the page cache
for b in "${builds[@]}"; do tools/wine-run "$b/plughost.exe" --transient "$b/scrutel.dll" scrutel /O:K x >/dev/null 2>&1; done

echo "$tree_files files of 2,000 bytes in folders of 100; median of $runs run(s); ms per file."
printf '%-28s' "" && for b in "${builds[@]}"; do printf ' %14s' "$(basename "$b")"; done && echo
declare -A bare
printf '%-28s' "bare walk (all omitted)"
for b in "${builds[@]}"; do
  bare[$b]=$(timed "$b" /S "$(omit_all_but none)" "$wtree\\*")
  printf ' %14s' "$(per_file "${bare[$b]}" 0)"
done
echo
for s in $sections; do
  printf '%-28s' "section $s alone, net"
  for b in "${builds[@]}"; do
    t=$(timed "$b" /S "$(omit_all_but "$s")" "$wtree\\*")
    printf ' %14s' "$(per_file "$t" "${bare[$b]}")"
  done
  echo
done
printf '%-28s' "default report, gross"
for b in "${builds[@]}"; do
  t=$(timed "$b" /S "$wtree\\*")
  printf ' %14s' "$(per_file "$t" 0)"
done
echo
