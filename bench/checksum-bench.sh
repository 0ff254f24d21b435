#!/usr/bin/env bash
# Checksum throughput side by side: ChecksumBench under Wine against the native cksum, crc32,
# md5sum, sha256sum and rhash on the same file in the page cache. Prints medians of several
# runs in MB/s and the ratios that the performance targets name.
# Usage: bench/checksum-bench.sh [build-dir]   (RUNS=5, FILE=/tmp/scrutel-checksum-bench.bin)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
runs=${RUNS:-5}
file=${FILE:-/tmp/scrutel-checksum-bench.bin}
size=$((1 << 30))

cmake --build "$build" --target ChecksumBench >/dev/null
if [ ! -f "$file" ] || [ "$(stat -c %s "$file")" != "$size" ]; then
  head -c "$size" /dev/urandom >"$file"
fi
cat "$file" >/dev/null # into the page cache

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# Median MB/s of a native command given the file as its last argument.
native() {
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" "$file" >/dev/null
    end=$(date +%s.%N)
    awk -v b="$size" -v s="$start" -v e="$end" 'BEGIN {printf "%.0f\n", b / 1e6 / (e - s)}'
  done | median
}

declare -A rate
for tool in cksum md5sum sha256sum crc32; do
  if command -v "$tool" >/dev/null; then rate[$tool]=$(native "$tool"); fi
done
if command -v rhash >/dev/null; then
  rate[rhash_crc32_md5]=$(native rhash --crc32 --md5)
  rate[rhash_all]=$(native rhash --crc32 --md5 --sha1 --sha256 --sha384 --sha512)
fi

winpath="Z:$(echo "$file" | tr / '\\')"
out=$(cd "$build" && "$here/tools/wine-run" ./ChecksumBench.exe "$winpath" "$runs" 256)
echo "$out"
result=$(echo "$out" | grep '^RESULT' | cut -d' ' -f2-)
declare -A wine
for pair in $result; do wine[${pair%%=*}]=${pair#*=}; done

echo
echo "native (MB/s, median of $runs):"
for k in cksum crc32 md5sum sha256sum rhash_crc32_md5 rhash_all; do
  [ -n "${rate[$k]:-}" ] && printf '  %-22s %8s\n' "$k" "${rate[$k]}"
done
echo
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
printf 'CRC-32 under Wine %s MB/s = %s x byte-at-a-time (target >= 3.5, >= 1500 MB/s)\n' \
  "${wine[crc32]}" "$(ratio "${wine[crc32]}" "${wine[crc32_byte]}")"
printf 'cksum under Wine %s MB/s = %s x byte-at-a-time (target >= 3.5, >= 1500 MB/s)\n' \
  "${wine[cksum]}" "$(ratio "${wine[cksum]}" "${wine[cksum_byte]}")"
if [ -n "${rate[rhash_crc32_md5]:-}" ]; then
  printf 'section CRC-32+MD5 %s MB/s = %s x native rhash --crc32 --md5 (target >= 0.9)\n' \
    "${wine[section_default]}" "$(ratio "${wine[section_default]}" "${rate[rhash_crc32_md5]}")"
fi
printf 'section all seven %s MB/s = %s x the in-memory limit %s MB/s (target >= 0.9)\n' \
  "${wine[section_all]}" "$(ratio "${wine[section_all]}" "${wine[all_limit]}")" "${wine[all_limit]}"
