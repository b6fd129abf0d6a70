#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times a search run in the window (offscreen, closing itself when the search is done) beside the
# same search in the console front end, on the tree corpus of tree-compare.sh. The difference is
# what the window adds: rows, icons and type names of the files found, progress, the document.
# A fresh configuration searches sub-folders and counts the files first (for the progress bar):
# the window is timed without the counting pass (/C-, the one switch the command line allows
# before the search text) and with it.
# Usage: bench/window-compare.sh [runs]     (corpus folder: $QUARNEL_CORPUS, default /tmp/quarnel-corpus)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=${1:-3}
tree=${QUARNEL_CORPUS:-/tmp/quarnel-corpus}/tree
[ -d "$tree" ] || { echo "no corpus in $tree: run bench/tree-compare.sh once first" >&2; exit 1; }
"$root/scripts/build.sh" "$root/build" -- quarnel quarnel32 >/dev/null
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

echo "corpus: $(find "$tree" -type f | wc -l) files in $tree"
printf '%-24s %10s %10s %16s\n' "query" "console s" "window s" "window+count s"
for query in "PROT_WRITE" "firmware" "[A-Z][a-z]+Error"; do
  console=$(for _ in $(seq "$runs"); do timed "$root/build/src/quarnel" -r "$query" '*.*' "$tree"; done | median)
  window=$(for _ in $(seq "$runs"); do
    rm -rf "${config:?}"/*
    timed env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" QUARNEL_QUIT_AFTER_STARTUP=1 \
      "$root/build/src/quarnel32" /C- "$query" '*.*' "$tree"
  done | median)
  counted=$(for _ in $(seq "$runs"); do
    rm -rf "${config:?}"/*
    timed env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" QUARNEL_QUIT_AFTER_STARTUP=1 \
      "$root/build/src/quarnel32" /C "$query" '*.*' "$tree"
  done | median)
  printf '%-24s %10.2f %10.2f %16.2f\n' "$query" "$console" "$window" "$counted"
done
