#!/usr/bin/env bash
# A tree of large files with all six digests: the report workers and the digest threads share one
# budget of SCRUTEL_THREADS threads, and the tree must not be slower for it. Runs each given build
# (a folder holding scrutel.dll and plughost.exe) alternately and prints the median wall time of
# each, with SCRUTEL_THREADS unset (one per processor) and =1.
# Usage: bench/large-tree.sh BUILD [BUILD...]     (default: build)
#   RUNS=3, FILES=8, SIZE_MIB=256, DATA=/tmp/scrutel-large-tree
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${RUNS:-3}
files=${FILES:-8}
size_mib=${SIZE_MIB:-256}
data=${DATA:-/tmp/scrutel-large-tree}
[ $# -eq 0 ] && set -- "$here/build"
mkdir -p "$data"
for i in $(seq "$files"); do
  f=$data/f$i.bin
  [ -f "$f" ] && [ "$(stat -c %s "$f")" = $((size_mib << 20)) ] || head -c $((size_mib << 20)) /dev/urandom >"$f"
done
cat "$data"/f*.bin >/dev/null # into the page cache
wdata="Z:$(echo "$data" | tr / '\\')"
args=(/C:CRC32,CKSUM,MD5,SHA1,SHA256,SHA384,SHA512 /O:HRZTADXELVIPFSNU "$wdata\\f*.bin")
run_once() { # build threads -> seconds
  local start end
  start=$(date +%s.%N)
  if [ -n "$2" ]; then
    SCRUTEL_THREADS=$2 "$here/tools/wine-run" "$1/plughost.exe" --transient "$1/scrutel.dll" scrutel "${args[@]}" >/dev/null 2>&1
  else
    "$here/tools/wine-run" "$1/plughost.exe" --transient "$1/scrutel.dll" scrutel "${args[@]}" >/dev/null 2>&1
  fi
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN {printf "%.3f\n", e - s}'
}
declare -A times
for _ in $(seq "$runs"); do
  for b in "$@"; do
    for t in "" 1; do
      times["$b|$t"]+="$(run_once "$b" "$t") "
    done
  done
done
median() { tr ' ' '\n' | grep . | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
echo "-- $files files of $size_mib MiB, all six digests and CRC-32/cksum, medians of $runs runs"
for b in "$@"; do
  echo "$b: unset $(echo "${times["$b|"]}" | median) s, SCRUTEL_THREADS=1 $(echo "${times["$b|1"]}" | median) s"
  # Every run, in order: the spread between runs tells whether a difference of medians means anything.
  echo "   runs unset: ${times["$b|"]}; SCRUTEL_THREADS=1: ${times["$b|1"]}"
done
