#!/usr/bin/env bash
# The checksum section on 1, 2, ... threads: all six digests of one large file with the pool
# limited by SCRUTEL_THREADS, next to each digest alone on one thread. On enough cores the time
# for all six approaches that of the slowest single digest.
# Usage: bench/digest-threads.sh [max-threads]   (default: 7, one per computation)
#   RUNS=3, SIZE_MIB=1024, DATA=/tmp/scrutel-compare (the file is shared with compare.sh)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
max=${1:-7}
runs=${RUNS:-3}
size_mib=${SIZE_MIB:-1024}
data=${DATA:-/tmp/scrutel-compare}
big=$data/big-${size_mib}MiB.bin
mkdir -p "$data"
cd "$here" || exit 1
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" != $((size_mib << 20)) ]; then
  head -c $((size_mib << 20)) /dev/urandom >"$big"
fi
cat "$big" >/dev/null
wbig="Z:$(echo "$big" | tr / '\\')"
omit=/O:HRZTADXELVIPFSNU
median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
timed() {
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    ./scrutel "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN {printf "%.3f\n", e - s}'
  done | median
}
./scrutel /O:K nothing-here >/dev/null 2>&1
startup=$(timed /O:K nothing-here)
net() { awk -v t="$1" -v s="$startup" 'BEGIN {printf "%.3f", t - s}'; }
echo "$size_mib MiB in the page cache; medians of $runs run(s); seconds net of the $startup s Wine start-up;"
echo "$(nproc) processors here."
echo "-- each computation alone, one thread"
for algo in CRC32 CKSUM MD5 SHA1 SHA256 SHA384 SHA512; do
  printf '%-28s %8s\n' "/C:$algo" "$(net "$(SCRUTEL_THREADS=1 timed "/C:$algo" "$omit" "$wbig")")"
done
echo "-- /C:CRC32,MD5,SHA1,SHA256,SHA384,SHA512 by pool size"
for t in $(seq 1 "$max"); do
  printf '%-28s %8s\n' "SCRUTEL_THREADS=$t" \
    "$(net "$(SCRUTEL_THREADS=$t timed /C:CRC32,MD5,SHA1,SHA256,SHA384,SHA512 "$omit" "$wbig")")"
done
echo "-- default /C:CRC32,MD5 by pool size"
for t in 1 2; do
  printf '%-28s %8s\n' "SCRUTEL_THREADS=$t" "$(net "$(SCRUTEL_THREADS=$t timed "$omit" "$wbig")")"
done
