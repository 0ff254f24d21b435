#!/usr/bin/env bash
# Names that would act on a terminal, end to end: the tree of tools/make-hostile-names (C1
# controls, DEL, direction characters in file and folder names, folders with C0 controls, a list
# file naming missing files with controls, a UTF-16 description with a direction override) is
# reported with /S and through the list file. Neither standard output nor standard error may hold
# a control other than the CR LF of a line end, or a direction character; every name is shown with
# those characters named, so names that differ only in one of them are shown differently.
#   hostile-names.sh BUILD_DIR
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$here/tools/make-hostile-names" "$work/names" || { echo "FAIL: the tree could not be made"; exit 1; }
winroot=$(cd "$work" && WINEDEBUG=-all "$here/tools/wine-run" winepath -w "$work/names" 2>/dev/null | tr -d '\r')
[ -n "$winroot" ] || { echo "FAIL: no Windows name for $work/names"; exit 1; }

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run NAME THREADS ARGS...: the command's standard output, standard error and result in
# $work/NAME.out, .err and .rc; THREADS "" leaves SCRUTEL_THREADS unset.
run() {
  local name=$1 threads=$2
  shift 2
  (cd "$work/names" && if [ -n "$threads" ]; then export SCRUTEL_THREADS=$threads; fi &&
   "$here/tools/wine-run" "$build/plughost.exe" --transient "$build/scrutel.dll" scrutel "$@" \
     >"$work/$name.out" 2>"$work/$name.err")
  echo $? >"$work/$name.rc"
}
run walk 1 /S /O:TACZ 'tree\*'
run walk-threads "" /S /O:TACZ 'tree\*'
run list 1 /O:TACZ @names.lst

# Controls other than CR and LF, DEL, C1 controls (UTF-8 C2 80..C2 9F), the Arabic letter mark,
# the left-to-right and right-to-left marks, the line and paragraph separators, embeddings,
# overrides and isolates.
terminal='[\x00-\x09\x0B\x0C\x0E-\x1F\x7F]|\xC2[\x80-\x9F]|\xD8\x9C|\xE2\x80[\x8E\x8F\xA8-\xAE]|\xE2\x81[\xA6-\xA9]'
for f in walk.out walk.err walk-threads.out walk-threads.err list.out list.err; do
  hits=$(LC_ALL=C grep -naP "$terminal" "$work/$f" | head -5)
  [ -z "$hits" ] || fail "$f holds characters that act on the terminal:"$'\n'"$(printf '%s\n' "$hits" | cat -A)"
  # A CR anywhere but before the LF of a line end, or a line that does not end in CR LF.
  hits=$(LC_ALL=C grep -naP '\r.|^(?!.*\r$)' "$work/$f" | head -5)
  [ -z "$hits" ] || fail "$f has a line end other than CR LF:"$'\n'"$(printf '%s\n' "$hits" | cat -A)"
done

for f in walk list; do [ "$(cat "$work/$f.rc")" = 2 ] || fail "$f: result $(cat "$work/$f.rc"), expected 2"; done
cmp -s "$work/walk.out" "$work/walk-threads.out" || fail "the report differs with the report workers"
cmp -s "$work/walk.err" "$work/walk-threads.err" || fail "the messages differ with the report workers"

# The lines of a file with the tree's location as "<root>" and without the CR of the line ends.
shown() {
  tr -d '\r' <"$work/$1" | ROOT="$winroot" awk '
    BEGIN { root = ENVIRON["ROOT"] }
    { while ((i = index($0, root)) > 0) $0 = substr($0, 1, i - 1) "<root>" substr($0, i + length(root)); print }'
}
shown walk.out >"$work/walk.txt"
shown walk.err >"$work/walk-err.txt"
shown list.out >"$work/list.txt"
shown list.err >"$work/list-err.txt"

# expect FILE LINE...: each line occurs exactly once in FILE.
expect() {
  local file=$1 line n
  shift
  for line in "$@"; do
    n=$(grep -cFx -- "$line" "$work/$file")
    [ "$n" = 1 ] || fail "$file: \"$line\" found $n times"
  done
}
expect walk.txt \
  '<root>\tree\c1<U+009B>2J.txt' \
  '<root>\tree\osc<U+009D>0;title<U+009C>.txt' \
  '<root>\tree\nel<U+0085>x.txt' \
  '<root>\tree\del<U+007F>.txt' \
  '<root>\tree\rlo<U+202E>txt.exe' \
  '<root>\tree\lri<U+2066>x<U+2069>.txt' \
  '<root>\tree\lre<U+202A>x<U+202C>.txt' \
  '<root>\tree\alm<U+061C>.txt' \
  '<root>\tree\ls<U+2028>x.txt' \
  '<root>\tree\pair.txt' \
  '<root>\tree\pair<U+202E>.txt' \
  '<root>\tree\pair<U+202D>.txt' \
  '<root>\tree\pair<U+200E>.txt' \
  '<root>\tree\pair<U+200F>.txt' \
  '<root>\tree\pair<U+009B>.txt' \
  '<root>\tree\pair<U+0085>.txt' \
  '<root>\tree\pair<U+007F>.txt' \
  '<root>\tree\D_c1<U+009B>2J.txt\inner.txt' \
  '<root>\tree\D_rlo<U+202E>txt.exe\inner.txt' \
  '    4DOS file description:  <U+202E><U+001B>[31m evil<U+2069>' \
  '21 matching files found.'
# Every heading once: no two files are shown under one name.
headings=$(grep -F '<root>\' "$work/walk.txt")
[ "$(printf '%s\n' "$headings" | wc -l)" = 21 ] || fail "expected 21 headings, found $(printf '%s\n' "$headings" | wc -l)"
[ "$(printf '%s\n' "$headings" | sort -u | wc -l)" = 21 ] || fail "two files are shown under one name"
expect walk-err.txt \
  'Scrutel plugin: Error matching "<root>\tree\D_esc<U+001B>[2J<U+001B>]0;pwned<U+0007>x\*" :' \
  'Scrutel plugin: Error matching "<root>\tree\D_bel<U+0007>\*" :' \
  'Scrutel plugin: Error matching "<root>\tree\D_cr<U+000D>line\*" :' \
  'Scrutel plugin: Error matching "<root>\tree\D_lf<U+000A>line\*" :'
expect list.txt '<root>\tree\pair<U+202E>.txt' '1 matching file found.'
expect list-err.txt \
  'Scrutel plugin: File not found: <root>\tree\missing<U+001B>[2J.txt' \
  'Scrutel plugin: File not found: <root>\tree\missing<U+0007>.txt' \
  'Scrutel plugin: File not found: <root>\tree\missing<U+202E>.txt'

if [ $failures -ne 0 ]; then
  echo "--- standard output of the walk"; cat -A "$work/walk.out" | head -60
  echo "--- standard error of the walk"; cat -A "$work/walk.err" | head -20
  exit 1
fi
echo "PASS: $(wc -l <"$work/walk.txt") lines of report and $(wc -l <"$work/walk-err.txt") of messages, with the list" \
  "file's $(($(wc -l <"$work/list.txt") + $(wc -l <"$work/list-err.txt"))): nothing acts on the terminal, every name shown apart"
