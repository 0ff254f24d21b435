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
(cd "$here/tests/fixtures/hostile" && tar cf - --exclude=README.md .) | (cd "$work/tree/hostile" && tar xf -)
chmod -R u+w "$work/tree"
# Modified and created at a fixed moment; accessed later than now, so that reading a file during
# the run does not move its access time.
TZ=UTC find "$work/tree" -exec touch -h -m -d '2021-03-04 05:06:07' {} + 2>/dev/null
TZ=UTC find "$work/tree" -exec touch -h -a -d '2036-07-08 09:10:11' {} + 2>/dev/null

winroot=$(cd "$work" && WINEDEBUG=-all "$here/tools/wine-run" winepath -w "$work/tree" 2>/dev/null | tr -d '\r')
[ -n "$winroot" ] || { echo "FAIL: no Windows name for $work/tree"; exit 1; }
machine=$(WINEDEBUG=-all "$here/tools/wine-run" cmd /c echo %COMPUTERNAME% 2>/dev/null | tr -d '\r')

(cd "$work/tree" && TZ=UTC "$here/tools/wine-run" "$build/plughost.exe" --transient "$build/scrutel.dll" scrutel /S '*' \
   >"$work/raw.txt" 2>"$work/err.txt")
rc=$?
{
  echo "result $rc"
  cat "$work/raw.txt"
  echo "--- standard error"
  cat "$work/err.txt"
} | ROOT="$winroot" MACHINE="$machine" awk '
    BEGIN { root = ENVIRON["ROOT"]; machine = ENVIRON["MACHINE"] "\\" }
    {
      while ((i = index($0, root)) > 0) $0 = substr($0, 1, i - 1) "<tree>" substr($0, i + length(root))
      if (machine != "\\" && (i = index($0, "File owner:  " machine)) > 0)
        $0 = substr($0, 1, i + 12) "<machine>\\" substr($0, i + 13 + length(machine))
      print
    }' >"$work/report.txt"

if [ "${2:-}" = --record ]; then
  cp "$work/report.txt" "$expected"
  echo "recorded $(wc -l <"$expected") lines in $expected"
  exit 0
fi
if cmp -s "$expected" "$work/report.txt"; then
  echo "PASS: $(wc -l <"$expected") lines identical to the recorded report"
  exit 0
fi
echo "FAIL: the report differs from tests/fixtures/report-tree.txt (expected <, now >):"
diff "$expected" "$work/report.txt" | head -40
exit 1
