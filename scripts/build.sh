#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, configures (once) and builds incrementally.
# Usage: scripts/build.sh <build-dir> [extra cmake -D options...] [-- <targets...>]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"

build_dir=$1; shift
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
targets=("$@")

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build_dir" "${options[@]}" >/dev/null
elif [ ${#options[@]} -gt 0 ]; then
  cmake "$build_dir" "${options[@]}" >/dev/null
fi
jobs=$(nproc 2>/dev/null || echo 2)
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$build_dir" -j "$jobs" --target "${targets[@]}"
else
  cmake --build "$build_dir" -j "$jobs"
fi
