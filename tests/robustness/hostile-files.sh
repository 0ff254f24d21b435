#!/usr/bin/env bash
# Hostile files end to end: every file of tests/fixtures/hostile, copied into a temporary folder,
# is reported by one "/S" run with the full default report and by one with every checksum. Each
# run must end with result 0 and report every file (none may take the host down or stop the walk),
# no file may take longer than LIMIT seconds (default 2) beyond reading it, and the host's peak
# memory must stay under 256 MB.
#   hostile-files.sh BUILD_DIR [LIMIT]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
limit=${2:-2}
memory_limit_kb=$((256 * 1024))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
(cd "$here/tests/fixtures/hostile" && tar cf - --exclude=README.md .) | (cd "$work/files" && tar xf -)
chmod -R u+w "$work/files"

# The files the walk must report: names holding characters Windows forbids (\ * ? " < > |) are
# not files to Windows programs on this platform. A name ending in a dot is reported: the long
# form reaches it.
expected=$(cd "$work/files" && find . -type f | sed 's|^\./||' | grep -v -E '[*?"<>|]|\\' | sort)
count=$(printf '%s\n' "$expected" | grep -c .)
winroot=$(cd "$work/files" && WINEDEBUG=-all "$here/tools/wine-run" winepath -w "$work/files" 2>/dev/null | tr -d '\r')
[ -n "$winroot" ] || { echo "FAIL: no Windows name for $work/files"; exit 1; }

failures=0
run() {
  local label=$1
  shift
  local out="$work/out.txt" stamps="$work/stamps.txt" usage="$work/usage.txt"
  (cd "$work/files" && /usr/bin/time -f '%M %e' -o "$usage" \
     "$here/tools/wine-run" "$build/plughost.exe" --transient "$build/scrutel.dll" scrutel "$@" 2>"$work/err.txt") |
    while IFS= read -r line; do printf '%s\t%s\n' "$EPOCHREALTIME" "$line"; done >"$stamps"
  local rc=${PIPESTATUS[0]} peak=0 seconds=0 # time exits with the command's status
  read -r peak seconds < <(tail -1 "$usage")
  local reported
  reported=$(cut -f2 "$stamps" | tr -d '\r' | grep -F "$winroot\\" | sed "s|^$(printf '%s' "$winroot\\" | sed 's/[\\.*^$[]/\\&/g')||" |
             tr '\\' '/' | sort)
  local n
  n=$(printf '%s\n' "$reported" | grep -c .)
  echo "[$label] result $rc, $n of $count files reported, ${seconds}s in all, peak memory $((peak / 1024)) MB"
  if [ "$rc" != 0 ]; then echo "FAIL [$label]: result $rc"; failures=$((failures + 1)); fi
  if [ "$reported" != "$expected" ]; then
    echo "FAIL [$label]: the reported files differ from the files present:"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$reported") | head -20
    failures=$((failures + 1))
  fi
  if [ "$peak" -ge "$memory_limit_kb" ]; then
    echo "FAIL [$label]: peak memory $((peak / 1024)) MB"; failures=$((failures + 1))
  fi
  # Time from each heading to the next one (the last to the end of the output).
  local slow
  # (awk -v would read the backslashes of the path as escapes: the root travels in the environment)
  slow=$(ROOT="$winroot\\" awk -F'\t' -v limit="$limit" '
    BEGIN { root = ENVIRON["ROOT"] }
    index($2, root) == 1 { if (name != "" && $1 - start > limit) printf "%s %.2fs\n", name, $1 - start; name = $2; start = $1 }
    { last = $1 }
    END { if (name != "" && last - start > limit) printf "%s %.2fs\n", name, last - start }' "$stamps")
  if [ -n "$slow" ]; then echo "FAIL [$label]: files slower than ${limit}s:"; echo "$slow"; failures=$((failures + 1)); fi
  if [ -n "${HOSTILE_TIMES:-}" ]; then
    ROOT="$winroot\\" awk -F'\t' '
      BEGIN { root = ENVIRON["ROOT"] }
      index($2, root) == 1 { if (name != "") printf "%7.3f  %s\n", $1 - start, name; name = substr($2, length(root) + 1); start = $1 }
      { last = $1 }
      END { if (name != "") printf "%7.3f  %s\n", last - start, name }' "$stamps"
  fi
}

run "default report" /S '*'
run "every checksum" /S /C:CRC32,CKSUM,CKSUMX,MD5,SHA1,SHA256,SHA384,SHA512 '*'
[ $failures -eq 0 ] && echo "hostile files: all passed"
exit $((failures > 0))
