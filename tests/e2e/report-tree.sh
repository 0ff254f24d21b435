#!/usr/bin/env bash
# The whole default report of a tree holding every kind of fixture file (tests/fixtures/kinds and
# tests/fixtures/hostile), compared byte for byte with the recorded report in
# tests/fixtures/report-tree.txt. Times are fixed before the run and the zone is UTC, so only the
# tree's own location (replaced by "<tree>") and the machine's name in owner lines ("<machine>")
# differ between machines.
#   report-tree.sh BUILD_DIR [--record]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
expected=$here/tests/fixtures/report-tree.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/kinds" "$work/tree/hostile"
(cd "$here/tests/fixtures/kinds" && tar cf - .) | (cd "$work/tree/kinds" && tar xf -)
# (hostile/image_headers is left out: hostile_files runs its images, and the image section's tests
# pin what each kind of them shows)
(cd "$here/tests/fixtures/hostile" && tar cf - --exclude=README.md --exclude=./image_headers .) |
  (cd "$work/tree/hostile" && tar xf -)
chmod -R u+w "$work/tree"
# Modified and created at a fixed moment; accessed later than now, so that reading a file during
# the run does not move its access time.
TZ=UTC find "$work/tree" -exec touch -h -m -d '2021-03-04 05:06:07' {} + 2>/dev/null
TZ=UTC find "$work/tree" -exec touch -h -a -d '2036-07-08 09:10:11' {} + 2>/dev/null

winroot=$(cd "$work" && WINEDEBUG=-all "$here/tools/wine-run" winepath -w "$work/tree" 2>/dev/null | tr -d '\r')
[ -n "$winroot" ] || { echo "FAIL: no Windows name for $work/tree"; exit 1; }
machine=$(WINEDEBUG=-all "$here/tools/wine-run" cmd /c echo %COMPUTERNAME% 2>/dev/null | tr -d '\r')

# report THREADS OUT: the report with SCRUTEL_THREADS=THREADS ("" leaves it unset: one worker per
# processor), its result and standard error after it, with the tree's location and the machine
# replaced.
report() {
  local threads=$1 out=$2
  (cd "$work/tree" && if [ -n "$threads" ]; then export SCRUTEL_THREADS=$threads; fi &&
   TZ=UTC "$here/tools/wine-run" "$build/plughost.exe" --transient "$build/scrutel.dll" scrutel /S '*' \
     >"$work/raw.txt" 2>"$work/err.txt")
  rc=$?
  {
    echo "result $rc"
    cat "$work/raw.txt"
    echo "--- standard error"
    cat "$work/err.txt"
  } | normalise >"$out"
}
normalise() {
  ROOT="$winroot" MACHINE="$machine" awk '
    BEGIN { root = ENVIRON["ROOT"]; machine = ENVIRON["MACHINE"] "\\" }
    {
      while ((i = index($0, root)) > 0) $0 = substr($0, 1, i - 1) "<tree>" substr($0, i + length(root))
      if (machine != "\\" && (i = index($0, "File owner:  " machine)) > 0)
        $0 = substr($0, 1, i + 12) "<machine>\\" substr($0, i + 13 + length(machine))
      print
    }'
}
report 1 "$work/report.txt"

if [ "${2:-}" = --record ]; then
  cp "$work/report.txt" "$expected"
  echo "recorded $(wc -l <"$expected") lines in $expected"
  exit 0
fi
if ! cmp -s "$expected" "$work/report.txt"; then
  echo "FAIL: the report differs from tests/fixtures/report-tree.txt (expected <, now >):"
  diff "$expected" "$work/report.txt" | head -40
  exit 1
fi
echo "PASS: $(wc -l <"$expected") lines identical to the recorded report (SCRUTEL_THREADS=1)"

# The same report from the report workers: one per processor, and more workers than processors.
for threads in "" 4; do
  report "$threads" "$work/threads.txt"
  if ! cmp -s "$expected" "$work/threads.txt"; then
    echo "FAIL: with SCRUTEL_THREADS=${threads:-unset} the report differs (expected <, now >):"
    diff "$expected" "$work/threads.txt" | head -40
    exit 1
  fi
  echo "PASS: identical with SCRUTEL_THREADS=${threads:-unset}"
done

# Reports and messages in one stream: each message after the reports before it, whatever the
# workers do. Three specifications, the middle one matching nothing, and a list file naming a
# missing file between two that exist.
printf '%s\r\n' 'kinds\text\utf8.txt' 'kinds\text\no-such-file.txt' 'kinds\text\ascii-lf.txt' >"$work/tree/list.txt"
mixed() {
  (cd "$work/tree" && SCRUTEL_THREADS=$1 TZ=UTC "$here/tools/wine-run" "$build/plughost.exe" --transient \
     "$build/scrutel.dll" scrutel /S 'kinds\*' 'nothing*.none' '@list.txt' 'hostile\*' >"$2" 2>&1)
  echo "result $?" >>"$2"
}
mixed 1 "$work/mixed-1.txt"
mixed 3 "$work/mixed-3.txt"
if ! cmp -s "$work/mixed-1.txt" "$work/mixed-3.txt"; then
  echo "FAIL: reports and messages in one stream differ between 1 and 3 threads (1 <, 3 >):"
  diff "$work/mixed-1.txt" "$work/mixed-3.txt" | head -40
  exit 1
fi
if ! grep -q "No matching files" "$work/mixed-1.txt" || ! grep -q "File not found" "$work/mixed-1.txt"; then
  echo "FAIL: the mixed run shows neither message"
  exit 1
fi
echo "PASS: reports and messages in the same order with 1 and 3 threads ($(wc -l <"$work/mixed-1.txt") lines)"
