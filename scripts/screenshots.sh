#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the pictures of docs/screenshots from the real window, offscreen (no display needed):
# the search results with the results pane, the search dialog and the replace confirmation.
# Usage: scripts/screenshots.sh [build-dir]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
"$here/scripts/build.sh" "$build" -- quarnel32 quarnel_screenshots >&2

out=$here/docs/screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$build/quarnel_screenshots" "$build/src" "$out"
# Smaller files when optipng is there; the pictures look the same.
if command -v optipng >/dev/null; then
  optipng -quiet -o2 -strip all "$out"/*.png
fi
