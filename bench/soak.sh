#!/usr/bin/env bash
# The long soak: one process loads scrutel.dll once and runs 10,000 SCRUTEL commands of every kind
# with the three variable functions, then compares its handle count, private bytes and threads
# after 1,000 and after 10,000 commands (at most 1 % apart, no thread left). The test suite runs
# the same test with 300 commands.
#   bench/soak.sh [COMMANDS]     (default 10000; the build must be current: tools/build)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here/build"
SCRUTEL_SOAK_COMMANDS=${1:-10000} "$here/tools/wine-run" ./robustness_tests.exe --gtest_filter='Soak.*'
