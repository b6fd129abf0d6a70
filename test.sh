#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Quarnel (installing what it needs) and runs every test.
#   ./test.sh             all tests, ordinary build in build/
#   ./test.sh --sanitize  the core's tests under AddressSanitizer and UBSan, in build-asan/
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

if [ "${1:-}" = "--sanitize" ]; then
  "$here/scripts/build.sh" "$here/build-asan" -DQUARNEL_SANITIZE=ON -DQUARNEL_APP=OFF -DQUARNEL_BENCH=OFF
  cd "$here/build-asan"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j "$jobs"
  exit
fi

"$here/scripts/build.sh" "$here/build"
cd "$here/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"
