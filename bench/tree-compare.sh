#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times the console front end against ripgrep (one thread) and GNU grep on a tree of real source
# code, query by query, after checking how many lines each tool reports.
#
# The corpus is built reproducibly from Debian's linux-source-6.1 package: drivers/ (without the
# generated headers of drivers/gpu/drm/amd), fs/ and include/, about 37,000 files and 570 MB.
# Usage: bench/tree-compare.sh [runs]     (corpus folder: $QUARNEL_CORPUS, default /tmp/quarnel-corpus)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=${1:-3}
corpus=${QUARNEL_CORPUS:-/tmp/quarnel-corpus}

need=()
command -v rg >/dev/null || need+=(ripgrep)
command -v xz >/dev/null || need+=(xz-utils)
command -v bc >/dev/null || need+=(bc)
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
"$root/scripts/build.sh" "$root/build" -- quarnel >/dev/null
quarnel="$root/build/src/quarnel"

"$here/corpus.sh"
tree="$corpus/tree"
cd "$tree"
echo "corpus: $(find . -type f | wc -l) files, $(du -sm . | cut -f1) MB in $tree"

# name | quarnel arguments | ripgrep arguments | grep arguments
queries=(
  "literal, case-insensitive (firmware)|-q firmware *.*|-i -F firmware|-i -F firmware"
  "literal, rare (PM_RESUME)|-m PM_RESUME *.*|-F PM_RESUME|-F PM_RESUME"
  "regular expression [A-Z][a-z]+Error|-m [A-Z][a-z]+Error *.*|[A-Z][a-z]+Error|-E [A-Z][a-z]+Error"
  "whole word err|-m -w err *.*|-w err|-w err"
)

# Median wall time of a command whose output is counted (never sent to /dev/null: grep would
# stop at its first hit). Prints "seconds lines".
measure() {
  local times=() lines=0
  "$@" | wc -l >/dev/null # warm the page cache
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    lines=$("$@" | wc -l)
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  echo "$median $lines"
}

printf '\n| query | quarnel s (lines) | rg -j1 s (lines) | grep -r s (lines) | vs rg | vs grep |\n'
printf '|---|---|---|---|---|---|\n'
for q in "${queries[@]}"; do
  IFS='|' read -r name qargs rargs gargs <<<"$q"
  read -r -a qa <<<"$qargs"; read -r -a ra <<<"$rargs"; read -r -a ga <<<"$gargs"
  read -r qt ql < <(measure "$quarnel" -r "${qa[@]}" .)
  read -r rt rl < <(measure rg -j1 -uuu --no-messages "${ra[@]}" .)
  read -r gt gl < <(measure grep -r "${ga[@]}" .)
  printf '| %s | %.3f (%s) | %.3f (%s) | %.3f (%s) | %.2fx | %.2fx |\n' "$name" "$qt" "$ql" "$rt" "$rl" "$gt" "$gl" \
    "$(echo "$qt / $rt" | bc -l)" "$(echo "$qt / $gt" | bc -l)"
done
echo
echo "Ratios are quarnel's time over the other tool's: below 1 is faster. Line counts differ where the"
echo "tools' rules differ: a digit is not a word character for quarnel, and quarnel searches a file whose"
echo "first 1025 bytes hold no line break as blocks of printable bytes, where grep reports a binary file."
