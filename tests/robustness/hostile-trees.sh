#!/usr/bin/env bash
# Hostile trees end to end: what tools/make-hostile-trees makes (links that lead back into the
# walk, long list files, huge text files) through plughost. Each run must give the expected result
# and report, within LIMIT seconds per file (default 2) beyond what reading the file takes, with
# the host's peak memory under 256 MB.
#   hostile-trees.sh BUILD_DIR [LIMIT]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
limit=${2:-2}
memory_limit_kb=$((256 * 1024))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/tools/make-hostile-trees" "$work" loops lists text || { echo "FAIL: the trees cannot be made"; exit 1; }
winroot=$(cd "$work" && WINEDEBUG=-all "$here/tools/wine-run" winepath -w "$work" 2>/dev/null | tr -d '\r')
[ -n "$winroot" ] || { echo "FAIL: no Windows name for $work"; exit 1; }

failures=0
fail() {
  echo "FAIL [$label]: $*"
  failures=$((failures + 1))
}
# run LABEL SECONDS ARGS...: runs scrutel ARGS in $work; sets rc, out (standard output without
# CRs and blank lines, the tree's location shown as "<tree>"), err, seconds and peak (KB), and
# fails the run when it takes longer than SECONDS or more memory than the limit.
run() {
  label=$1
  local allowed=$2
  shift 2
  # A run that never ends (a walk round a loop) is stopped well after its allowance.
  (cd "$work" && /usr/bin/time -f '%M %e' -o "$work/usage.txt" timeout $((allowed * 5 + 10)) \
    "$here/tools/wine-run" "$build/plughost.exe" --transient "$build/scrutel.dll" scrutel "$@" \
    >"$work/out.txt" 2>"$work/err.txt")
  rc=$?
  read -r peak seconds < <(tail -1 "$work/usage.txt")
  out=$(tr -d '\r' <"$work/out.txt" | grep -v '^$' | ROOT="$winroot" awk '{ i = index($0, ENVIRON["ROOT"]); if (i) $0 = substr($0, 1, i - 1) "<tree>" substr($0, i + length(ENVIRON["ROOT"])); print }')
  err=$(tr -d '\r' <"$work/err.txt")
  echo "[$label] result $rc, ${seconds}s (allowed ${allowed}s), peak memory $((peak / 1024)) MB"
  if [ "$peak" -ge "$memory_limit_kb" ]; then fail "peak memory $((peak / 1024)) MB"; fi
  if awk -v s="$seconds" -v a="$allowed" 'BEGIN { exit !(s > a) }'; then fail "${seconds}s"; fi
}
expect() { # expect RC OUT ERR
  [ "$rc" = "$1" ] || fail "result $rc, expected $1"
  [ "$out" = "$2" ] || { fail "standard output differs:"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$out") | head -20; }
  [ "$err" = "$3" ] || { fail "standard error differs:"; diff <(printf '%s\n' "$3") <(printf '%s\n' "$err") | head -20; }
}
omit_all=/O:TACDEXVRZHNSPLFI

# Links that lead back into the walk are not followed again; a link to a sibling tree is.
# Nothing is said about a loop: its files are those the walk is already reporting.
run "links to the folder itself" $((limit * 2)) /S $omit_all 'loops\self\*'
expect 0 "<tree>\\loops\\self\\a.txt
1 matching file found." ""
run "a link to the parent" $((limit * 2)) /S $omit_all 'loops\up\*'
expect 0 "<tree>\\loops\\up\\a.txt
<tree>\\loops\\up\\sub\\b.txt
2 matching files found." ""
run "a link to a sibling tree" $((limit * 2)) /S $omit_all 'loops\side\*'
expect 0 "<tree>\\loops\\side\\x\\c.txt
<tree>\\loops\\side\\y\\to-x\\c.txt
2 matching files found." ""
run "every loop at once, full report" $((limit * 3)) /S 'loops\*'
[ "$rc" = 0 ] || fail "result $rc"
[ "$err" = "" ] || fail "standard error: $err"
[ "$(printf '%s\n' "$out" | grep -c '^<tree>\\loops\\')" = 5 ] || fail "reported $(printf '%s\n' "$out" | grep -c '^<tree>\\loops\\') files, expected 5"

# A list file costs the same per line however long it is, about what a wildcard costs per file
# (some 0.2 ms here; each line once asked the host for the true name of every folder on its path,
# over 1 ms). Allowed: 0.6 ms per line.
for n in 2000 20000 80000; do
  run "a list of $n names" $((limit + n * 6 / 10000)) $omit_all "@lists\\l$n.lst"
  [ "$rc" = 0 ] || fail "result $rc"
  [ "$err" = "" ] || fail "standard error: $(printf '%s\n' "$err" | head -3)"
  [ "$(printf '%s\n' "$out" | grep -cx '<tree>\\lists\\a.txt')" = "$n" ] || fail "not $n reports"
done

# Huge texts are read in pieces: memory does not grow with the file, and a file takes about the
# time reading it takes (allowed: LIMIT seconds more than reading it twice, and a second to start).
for f in zeros4g:"" oneline1g:"" lines240m:"    Lines ................... 30,000,001  (LF)"; do
  name=${f%%:*}
  read_seconds=$( { /usr/bin/time -f '%e' cat "$work/text/$name.txt" >/dev/null; } 2>&1 | tail -1)
  allowed=$(awk -v r="$read_seconds" -v l="$limit" 'BEGIN { printf "%d", l + 2 * r + 1.999 }')
  run "text $name.txt (reading it: ${read_seconds}s)" "$allowed" /O:TACR "text\\$name.txt"
  lines=${f#*:}
  expect 0 "<tree>\\text\\$name.txt
$(printf '%s\n' "$out" | sed -n 2p)
    Text encoding ........... ASCII${lines:+
$lines}
1 matching file found." ""
done

[ $failures -eq 0 ] && echo "hostile trees: all passed"
exit $((failures > 0))
