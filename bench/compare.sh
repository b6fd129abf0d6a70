#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the scan benchmark, installs grep and ripgrep when missing, and runs the comparison.
#   bench/compare.sh [build folder] [benchmark arguments...]
# The 200 MB test file is made once in $QUARNEL_BENCH_DIR (default /tmp/quarnel-bench).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build-bench}"
shift || true

"$here/setup.sh"
cmake -S "$here/.." -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_APP=OFF > /dev/null
cmake --build "$build" -j2 --target bench_ScanBench
"$build/bench/bench_ScanBench" "$@"
