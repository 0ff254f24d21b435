#!/usr/bin/env bash
# The layer check: passes on the real sources, and fails, naming the file, when an include reaches
# up the order of src/LAYERS, past a private header, or into a folder the order does not name, and
# when the core declares a class ahead that another layer defines.
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
sed -i '1a #include "command/CommandDriver.h"' "$work/entry/plugin/Lifecycle.cpp"
expect "the entry layer may include the driver" 0 "include layers: fine" bash "$here/tools/check-layers" "$work/entry"
cp -r "$here/src" "$work/past"
sed -i '1a #include "gateway/HostExports.h"' "$work/past/reports/Sizes.cpp"
expect "a section calls the host past the gateway" 1 "reports/Sizes.cpp:2" bash "$here/tools/check-layers" "$work/past"
cp -r "$here/src" "$work/files"
sed -i '1a #include "text/TextSource.h"' "$work/files/files/PathResolve.cpp"
expect "the file layer reaches up into text" 1 "files/PathResolve.cpp:2" bash "$here/tools/check-layers" "$work/files"
cp -r "$here/src" "$work/ahead"
sed -i '1a class ReportPipeline;' "$work/ahead/core/ScanSettings.h"
expect "the core declares a class of the driver" 1 "core/ScanSettings.h:2" bash "$here/tools/check-layers" "$work/ahead"
cp -r "$here/src" "$work/unnamed"
mkdir "$work/unnamed/extras"
sed -i '1a #include "extras/Helper.h"' "$work/unnamed/reports/Sizes.cpp"
expect "a folder the order does not name" 1 "a folder that LAYERS does not name: extras" bash "$here/tools/check-layers" "$work/unnamed"
expect "an include of that folder" 1 "reports/Sizes.cpp:2 (extras/Helper.h)" bash "$here/tools/check-layers" "$work/unnamed"
exit $((failures > 0))
