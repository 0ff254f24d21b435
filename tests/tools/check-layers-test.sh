#!/usr/bin/env bash
# The include-direction check: passes on the real sources, and fails, naming the file, when a
# section includes the command driver or the core includes a subsystem's header.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect() { # label expected-status output-pattern command...
  local label=$1 status=$2 pattern=$3
  shift 3
  local out rc
  out=$("$@" 2>&1)
  rc=$?
  if [ "$rc" != "$status" ] || ! grep -qF -- "$pattern" <<<"$out"; then
    echo "FAIL [$label]: status $rc (expected $status), output:"
    echo "$out"
    failures=$((failures + 1))
  else
    echo "ok   [$label]"
  fi
}
expect "the real sources" 0 "include layers: fine" bash "$here/tools/check-layers"
cp -r "$here/src" "$work/up"
sed -i '1a #include "command/CommandDriver.h"' "$work/up/reports/Sizes.cpp"
expect "a section includes the driver" 1 "reports/Sizes.cpp:2" bash "$here/tools/check-layers" "$work/up"
cp -r "$here/src" "$work/out"
sed -i '1a #include "select/Walker.h"' "$work/out/core/Limits.h"
expect "the core includes the walker" 1 "core/Limits.h:2" bash "$here/tools/check-layers" "$work/out"
cp -r "$here/src" "$work/entry"
sed -i '1a #include "command/CommandDriver.h"' "$work/entry/plugin/ErrorReport.cpp"
expect "the entry layer may include the driver" 0 "include layers: fine" bash "$here/tools/check-layers" "$work/entry"
cp -r "$here/src" "$work/past"
sed -i '1a #include "gateway/HostExports.h"' "$work/past/reports/Sizes.cpp"
expect "a section calls the host past the gateway" 1 "reports/Sizes.cpp:2" bash "$here/tools/check-layers" "$work/past"
exit $((failures > 0))
