#!/usr/bin/env bash
# Digest lists against the system's own tools, through the stand-in host: the list output (/L:) of
# a tree is the output of sha256sum, sha1sum, sha512sum, md5sum and cksum on the same files, and
# sha256sum -c accepts it as written; the check (/V:) accepts the lists those tools write (sums
# lines, BSD tags, cksum lines) with names relative to the list's folder, its OK and FAILED lines
# after files change are sha256sum -c's, and a list of a million lines takes the memory of a
# short one.
#   digest-lists.sh BUILD_DIR
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/sub dir/deeper"
printf 'hello\n' >"$tree/a.txt"
: >"$tree/empty.bin"
# Larger than the size from which a file is hashed on several threads.
yes 'a line of a large file' | head -c 5000000 >"$tree/sub dir/large.txt"
printf 'x' >"$tree/sub dir/deeper/b c.txt"
printf 'caf\xc3\xa9' >"$tree/sub dir/deeper/caf"$'\xc3\xa9'".txt"
files=$(cd "$tree" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
count=$(grep -c . <<<"$files")
failures=0
# CONDITIONS; verdict LABEL: PASS when the conditions held, else FAIL with the last run's output.
verdict() {
  if [ $? = 0 ]; then echo "PASS: $1"; else echo "FAIL: $1 (result $rc)"; head -20 "$work/out" "$work/err"; failures=$((failures + 1)); fi
}
# run DIR ARGS...: SCRUTEL ARGS in DIR; output as written in $work/raw and with LF line ends in
# $work/out, standard error in $work/err, result in $rc, peak memory (KiB) in $peak. Wine reads
# the names of Unix files in the locale's character set: UTF-8 whatever the caller's locale.
run() {
  local dir=$1
  shift
  (cd "$dir" && LC_ALL=C.UTF-8 /usr/bin/time -f '%M' -o "$work/usage" "$here/tools/wine-run" \
     "$build/plughost.exe" --transient "$build/scrutel.dll" scrutel "$@" >"$work/raw" 2>"$work/err")
  rc=$?
  peak=$(tail -1 "$work/usage")
  tr -d '\r' <"$work/raw" >"$work/out"
}
tool() { (cd "$tree" && tr '\n' '\0' <<<"$files" | xargs -0 "$@"); }
same_sorted() { cmp -s <(LC_ALL=C sort "$1") <(LC_ALL=C sort "$2"); }

for pair in SHA256:sha256sum SHA1:sha1sum SHA512:sha512sum MD5:md5sum CKSUM:cksum; do
  run "$tree" "/L:${pair%%:*}" /S '*'
  tool "${pair#*:}" >"$work/theirs"
  [ "$rc" = 0 ] && same_sorted "$work/theirs" "$work/out"
  verdict "/L:${pair%%:*} /S is ${pair#*:}'s output"
done
run "$tree" /L /S '*'
cp "$work/raw" "$work/ours.sha256"
(cd "$tree" && sha256sum --strict -c "$work/ours.sha256") >"$work/c.txt" 2>&1
[ "$(grep -c ': OK$' "$work/c.txt")" = "$count" ]
verdict "sha256sum -c accepts the list output as written (CR LF)"

tool sha256sum >"$tree/SHA256SUMS"
tool sha512sum --tag >"$tree/SHA512.tags"
tool md5sum -b >"$tree/MD5SUMS"
tool cksum >"$tree/CK SUMS"
all_ok=$(while IFS= read -r f; do echo "$f: OK"; done <<<"$files"
         echo "$count files checked: $count OK, 0 FAILED, 0 missing, 0 unreadable; 0 malformed lines.")
for list in SHA256SUMS SHA512.tags MD5SUMS "CK SUMS"; do
  run "$work" "/V:tree\\$list"
  [ "$rc" = 0 ] && [ "$(cat "$work/out")" = "$all_ok" ]
  verdict "/V: reads $list from the list's folder: every file OK"
done

run "$tree" /V:none.sha256
[ "$rc" = 2 ] && [ ! -s "$work/out" ] && grep -q '^Scrutel plugin: Error opening digest list "none.sha256"' "$work/err"
verdict "a list that cannot be opened: its message and result 2, no count"

printf 'changed' >>"$tree/a.txt"
printf 'y' >"$tree/sub dir/deeper/b c.txt"
rm "$tree/empty.bin"
(cd "$tree" && sha256sum -c SHA256SUMS 2>/dev/null) | grep -E ': (OK|FAILED)$' >"$work/theirs"
run "$tree" /V:SHA256SUMS
[ "$rc" = 2 ] && cmp -s "$work/theirs" <(grep -E ': (OK|FAILED)$' "$work/out") &&
  grep -qx 'empty.bin: missing' "$work/out" &&
  [ "$(tail -1 "$work/out")" = "5 files checked: 2 OK, 2 FAILED, 1 missing, 0 unreadable; 0 malformed lines." ]
verdict "after changes the OK and FAILED lines are sha256sum -c's"

{ head -1 "$tree/SHA256SUMS"; echo 'not a digest line'; } >"$tree/short.sha256"
run "$tree" /V:short.sha256
short=$peak
{ head -1 "$tree/SHA256SUMS"; yes '; a comment line as SFV tools write them at the top of a list' | head -n 1000000
  echo 'not a digest line'; } >"$tree/million.sha256"
run "$tree" /V:million.sha256
echo "the million-line list: peak memory $((peak / 1024)) MB, a two-line list $((short / 1024)) MB"
[ "$rc" = 2 ] && [ $(((peak - short) / 1024)) -lt 16 ] && grep -q 'Malformed digest line 1000002 in ' "$work/err" &&
  [ "$(tail -1 "$work/out")" = "1 file checked: 0 OK, 1 FAILED, 0 missing, 0 unreadable; 1 malformed line." ]
verdict "a million lines are streamed and counted"
exit $((failures > 0))
