#!/usr/bin/env bash
# Scrutel side by side with the tools a user would otherwise reach for, in one run: checksums of
# one large file against native rhash and against a plain read under Wine (the I/O ceiling), the
# default report of a tree of small files against rhash -r, and CountLines against wc -l.
# Prints the median wall time of several runs of each command, MB/s and the ratios.
# Usage: bench/compare.sh [bench-build-dir]
#   RUNS=3              runs per command (the median is printed)
#   SIZE_MIB=1024       size of the large file (the figures name 1 GiB)
#   TREE_FILES=10000    small files in the tree (folders of 100)
#   FLAT_FILES=20000    files in the one large folder compared with a folder of 1,000
#   TEXT_MIB=100        size of the text file for the line count
#   DATA=/tmp/scrutel-compare   where the test data is made once and reused
# ./scrutel runs from the repository's build folder; CountLinesBench is built in the given folder
# (default: build). Installs nothing: missing tools are named and their rows skipped.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
runs=${RUNS:-3}
size_mib=${SIZE_MIB:-1024}
tree_files=${TREE_FILES:-10000}
text_mib=${TEXT_MIB:-100}
data=${DATA:-/tmp/scrutel-compare}
big=$data/big-${size_mib}MiB.bin
tree=$data/tree-$tree_files
flat_files=${FLAT_FILES:-20000}
flat_small=$data/flat-1000
flat_large=$data/flat-$flat_files
text=$data/text-${text_mib}MiB.txt
mkdir -p "$data"
cd "$here" || exit 1

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }
mbps() { awk -v m="$1" -v s="$2" 'BEGIN {if (m != "" && s > 0) printf "%.0f", m * 1048576 / 1e6 / s; else print "-"}'; }

# Median wall time in seconds of RUNS runs of a command (its output discarded). A run that fails
# (other than the start-up probe, which fails by design) is named on standard error.
timed() {
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    status=$?
    end=$(date +%s.%N)
    [ "$status" -ne 0 ] && [ "$*" != "./scrutel /O:K nothing-here" ] &&
      echo "warning: exit status $status, the time is not valid: $*" >&2
    awk -v s="$start" -v e="$end" 'BEGIN {printf "%.3f\n", e - s}'
  done | median
}

missing=()
have() {
  if command -v "$1" >/dev/null; then return 0; fi
  missing+=("$1 (install: $2)")
  return 1
}

# --- Test data, made once ---------------------------------------------------------------------
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" != $((size_mib << 20)) ]; then
  echo "making $big ..." >&2
  head -c $((size_mib << 20)) /dev/urandom >"$big"
fi
source "$here/bench/tree-data.sh"
make_tree "$tree" "$tree_files" 100
# One folder of 1,000 files and one of FLAT_FILES: the per-file cost must not grow with the folder.
make_tree "$flat_small" 1000 1000
make_tree "$flat_large" "$flat_files" "$flat_files"
if [ ! -f "$text" ] || [ "$(stat -c %s "$text")" != $((text_mib << 20)) ]; then
  echo "making $text ..." >&2
  base64 /dev/urandom | head -c $((text_mib << 20)) >"$text"
fi
cat "$big" "$text" >/dev/null # into the page cache

# --- Helper programs --------------------------------------------------------------------------
# The plain read: a tiny read loop (32 KiB blocks, as the checksum section reads) built into the
# data folder, so that it pays the same Wine start-up as ./scrutel. It prints its own read time
# in seconds, which is the net time of that row.
readall=$data/readall.exe
if have x86_64-w64-mingw32-gcc "apt-get install gcc-mingw-w64-x86-64"; then
  cat >"$data/readall.c.new" <<'EOF'
#include <windows.h>
#include <stdio.h>
int wmain(int argc, wchar_t** argv) {
    static char buffer[32768];
    DWORD got = 0;
    unsigned long long total = 0;
    LARGE_INTEGER frequency, start, end;
    HANDLE h;
    if (argc < 2) return 2;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    h = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                    FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (h == INVALID_HANDLE_VALUE) return 1;
    while (ReadFile(h, buffer, sizeof buffer, &got, NULL) && got) total += got;
    CloseHandle(h);
    QueryPerformanceCounter(&end);
    printf("%.3f\n", (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart);
    return total ? 0 : 1;
}
EOF
  if [ ! -f "$readall" ] || ! cmp -s "$data/readall.c.new" "$data/readall.c"; then
    mv "$data/readall.c.new" "$data/readall.c"
    x86_64-w64-mingw32-gcc -O2 -municode -o "$readall" "$data/readall.c" || rm -f "$readall"
  fi
  rm -f "$data/readall.c.new"
fi
countlines=$build/CountLinesBench.exe
cmake --build "$build" --target CountLinesBench >/dev/null 2>&1 || true
# The floor of a tree report: walk, open, read, CRC-32 and MD5, one buffered line per file.
floorwalk=$build/FloorWalkBench.exe
cmake --build "$build" --target FloorWalkBench >/dev/null 2>&1 || true

# --- Measurements -----------------------------------------------------------------------------
all_algos=/C:CRC32,MD5,SHA1,SHA256,SHA384,SHA512
omit=/O:HRZTADXELVIPFSNU
wbig=$(winpath "$big")
wtree=$(winpath "$tree")

./scrutel /O:K nothing-here >/dev/null 2>&1 # the first start also starts the Wine server
startup=$(timed ./scrutel /O:K nothing-here)

net() { awk -v t="$1" -v s="$startup" 'BEGIN {d = t - s; if (d < 0.001) d = 0.001; printf "%.3f", d}'; }
# label scrutel-seconds MiB reference-label reference-seconds [inproc | reference-net-seconds]:
# the net columns take the Wine start-up off the Scrutel time (not off an in-process time:
# inproc) and use the reference's own net time when it has one.
row() {
  local n ref_net
  n=$(net "$2")
  [ "${6:-}" = inproc ] && n=$2
  ref_net=$5
  if [ -n "${6:-}" ] && [ "$6" != inproc ]; then ref_net=$6; fi
  printf '%-40s %8s %8s %6s   %-34s %8s %6s   %6s %6s\n' "$1" "$2" "$n" "$(mbps "$3" "$n")" "$4" "$5" \
    "$(mbps "$3" "$ref_net")" "$(ratio "$2" "$5")" "$(ratio "$n" "$ref_net")"
}

echo
echo "Medians of $runs run(s), wall times in seconds; MB/s = 10^6 bytes per second."
echo "Wine start-up (./scrutel /O:K nothing-here): $startup s. 'net' = Scrutel time minus that"
echo "start-up; for the plain read, its own in-process read time. ratio = Scrutel / reference time."
echo
printf '%-40s %8s %8s %6s   %-34s %8s %6s   %6s %6s\n' "Scrutel" "time" "net" "MB/s" "reference" "time" \
  "MB/s" "ratio" "net"
echo "-- ${size_mib} MiB file"
t_all=$(timed ./scrutel "$all_algos" "$omit" "$wbig")
if [ -f "$readall" ]; then
  t_read=$(timed tools/wine-run "$readall" "$wbig")
  t_read_net=$(for _ in $(seq "$runs"); do tools/wine-run "$readall" "$wbig" 2>/dev/null; done | median)
  row "/C:all six $omit" "$t_all" "$size_mib" "plain read under Wine" "$t_read" "$t_read_net"
fi
if have rhash "apt-get install rhash"; then
  t_rh_all=$(timed rhash --crc32 --md5 --sha1 --sha256 --sha384 --sha512 "$big")
  row "/C:all six $omit" "$t_all" "$size_mib" "rhash --crc32 --md5 --sha1 ..512" "$t_rh_all"
  t_def=$(timed ./scrutel "$omit" "$wbig")
  t_rh_def=$(timed rhash --crc32 --md5 "$big")
  row "default /C: $omit" "$t_def" "$size_mib" "rhash --crc32 --md5" "$t_rh_def"
fi

echo "-- tree of $tree_files files of 2000 bytes"
per_file_ms() { awk -v s="$1" -v n="$2" 'BEGIN {printf "%.3f", s * 1000 / n}'; }
t_tree=$(timed ./scrutel /S "$wtree\\*")
n_tree=$(net "$t_tree")
# The same report on the host's thread alone: what the report workers save.
t_tree1=$(SCRUTEL_THREADS=1 timed ./scrutel /S "$wtree\\*")
n_tree1=$(net "$t_tree1")
echo "   report workers (one per processor) $n_tree s net, SCRUTEL_THREADS=1 $n_tree1 s net:" \
  "speed-up $(ratio "$n_tree1" "$n_tree") (goal at least 1.7)"
if have rhash "apt-get install rhash"; then
  t_rh_tree=$(timed rhash -r --crc32 --md5 "$tree")
  row "/S 'TREE\\*' (default report)" "$t_tree" "" "rhash -r --crc32 --md5 TREE" "$t_rh_tree"
  printf '%-40s files/s net %6s   %-34s files/s %6s\n' "" \
    "$(awk -v n="$tree_files" -v s="$n_tree" 'BEGIN {printf "%.0f", n / s}')" "" \
    "$(awk -v n="$tree_files" -v s="$t_rh_tree" 'BEGIN {printf "%.0f", n / s}')"
fi
if [ -f "$floorwalk" ]; then
  # The floor's own time, measured inside it (its Wine start-up left out, as for Scrutel's net).
  t_floor=$(for _ in $(seq "$runs"); do
    tools/wine-run "$floorwalk" "$wtree" 2>&1 >/dev/null | tr -d '\r' | sed -n 's/.* in \([0-9.]*\) s$/\1/p'
  done | median)
  ms_scrutel=$(per_file_ms "$n_tree" "$tree_files")
  ms_floor=$(per_file_ms "$t_floor" "$tree_files")
  ms_rhash=$(per_file_ms "${t_rh_tree:-0}" "$tree_files")
  echo "   per file: Scrutel net $ms_scrutel ms; floor (walk, open, read, CRC-32 + MD5, buffered line) $ms_floor ms;"
  echo "   rhash -r $ms_rhash ms. Scrutel / floor $(ratio "$ms_scrutel" "$ms_floor") (goal at most 2)," \
    "Scrutel / rhash $(ratio "$ms_scrutel" "$ms_rhash")"
else
  missing+=("FloorWalkBench.exe in $build (cmake --build $build --target FloorWalkBench)")
fi
t_small=$(timed ./scrutel /S "$(winpath "$flat_small")\\*")
t_large=$(timed ./scrutel /S "$(winpath "$flat_large")\\*")
ms_small=$(per_file_ms "$(net "$t_small")" 1000)
ms_large=$(per_file_ms "$(net "$t_large")" "$flat_files")
echo "-- one folder: 1000 files $ms_small ms per file net; $flat_files files $ms_large ms per file net;" \
  "ratio $(ratio "$ms_large" "$ms_small") (goal at most 1.2)"

echo "-- ${text_mib} MiB text file (LF lines of 76 characters)"
if [ -f "$countlines" ]; then
  wtext=$(winpath "$text")
  declare -a counts opens walls
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    line=$(tools/wine-run "$countlines" "$wtext" 2>/dev/null)
    end=$(date +%s.%N)
    walls+=("$(awk -v s="$start" -v e="$end" 'BEGIN {printf "%.3f", e - s}')")
    opens+=("$(echo "$line" | sed -n 's/.*open *\([0-9.]*\) ms.*/\1/p')")
    counts+=("$(echo "$line" | sed -n 's/.*best of 5 *\([0-9.]*\) ms.*/\1/p')")
  done
  t_open=$(printf '%s\n' "${opens[@]}" | median | awk '{printf "%.3f", $1 / 1000}')
  t_count=$(printf '%s\n' "${counts[@]}" | median | awk '{printf "%.3f", $1 / 1000}')
  t_clwall=$(printf '%s\n' "${walls[@]}" | median)
  t_wc=$(timed wc -l "$text")
  echo "   CountLinesBench: $(echo "$line" | sed 's/^file *//')"
  row "CountLines (in process, best of 5)" "$t_count" "$text_mib" "wc -l" "$t_wc" inproc
  row "open + CountLines (in process)" \
    "$(awk -v a="$t_open" -v b="$t_count" 'BEGIN {printf "%.3f", a + b}')" "$text_mib" "wc -l" "$t_wc" inproc
  echo "   CountLinesBench.exe whole run (Wine start-up, opening, 5 counts): $t_clwall s"
else
  missing+=("CountLinesBench.exe in $build (cmake --build $build --target CountLinesBench)")
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo
  echo "Skipped rows, missing:"
  printf '  %s\n' "${missing[@]}" | sort -u
fi
