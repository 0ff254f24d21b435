#!/usr/bin/env bash
# README.md's examples against real runs: tools/readme-examples makes the demo folder, runs every
# example and prints the examples section; it must equal the text between README.md's
# "examples: begin" and "examples: end" lines, line for line.
#   readme-examples.sh BUILD_DIR [README]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:?build folder}
readme=${2:-$here/README.md}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk '/^<!-- examples: end/ { inside = 0 } inside { print } /^<!-- examples: begin/ { inside = 1 }' \
  "$readme" >"$work/readme.md"
[ -s "$work/readme.md" ] || { echo "FAIL: $readme has no examples section"; exit 1; }
bash "$here/tools/readme-examples" --build "$build" >"$work/now.md" ||
  { echo "FAIL: tools/readme-examples failed"; exit 1; }
grep -q '^\[result ' "$work/now.md" || { echo "FAIL: the examples show no result"; exit 1; }
if ! cmp -s "$work/readme.md" "$work/now.md"; then
  echo "FAIL: README.md's examples differ from what the command prints (README <, now >):"
  diff "$work/readme.md" "$work/now.md" | head -60
  echo "(tools/readme-examples --update rewrites the section)"
  exit 1
fi
echo "PASS: $(grep -c '^C:\\demo>scrutel' "$work/now.md") examples, $(wc -l <"$work/now.md") lines identical to README.md"
