#!/usr/bin/env bash
# The dependency check passes with install-deps's own list and fails, naming the program, when
# any one package that provides a program or file of the build is left out of the list.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cache=${1:-}
failures=0
all=$(bash "$here/tools/install-deps" --list)

if ! out=$(bash "$here/tools/check-deps" 2>&1); then
  echo "FAIL: check-deps rejects install-deps's own list:"; echo "$out"; failures=$((failures + 1))
fi

# Each row: a package to leave out, and a word its failure message must hold.
while read -r pkg word; do
  [ -n "$pkg" ] || continue
  list=$(printf '%s\n' "$all" | grep -vxF -- "$pkg")
  if out=$(CHECK_DEPS_CMAKE_CACHE="$cache" bash "$here/tools/check-deps" --packages "$list" 2>&1); then
    echo "FAIL: check-deps passes without $pkg"; failures=$((failures + 1))
  elif ! grep -q -- "$word" <<<"$out"; then
    echo "FAIL: without $pkg the message does not name $word:"; echo "$out"; failures=$((failures + 1))
  fi
done <<'ROWS'
binutils-mingw-w64-i686 i686-w64-mingw32-windres
gcc-mingw-w64-i686-posix i686-w64-mingw32-gcc
gcc-mingw-w64-x86-64-posix x86_64-w64-mingw32-gcc
g++-mingw-w64-x86-64-posix x86_64-w64-mingw32-g++-posix
binutils-mingw-w64-x86-64 x86_64-w64-mingw32-objdump
libwine wineserver
wine wine
cmake cmake
make make
util-linux flock
time time
googletest googletest
g++-12 g++
gcc-12 gcc
libasan8 libasan
libubsan1 libubsan
clang-14 clang++
libclang-rt-14-dev libclang_rt.fuzzer
fonts-wine tahoma.ttf
ROWS

# A program that does not exist at all is reported as not found.
if out=$(PATH=/nonexistent CHECK_DEPS_CMAKE_CACHE="$cache" /bin/bash "$here/tools/check-deps" 2>&1) \
   || ! grep -q "not found: cmake" <<<"$out"; then
  echo "FAIL: an empty PATH is not reported as programs not found"; failures=$((failures + 1))
fi

[ $failures -eq 0 ] && echo "check-deps: all rows pass"
exit $((failures > 0))
