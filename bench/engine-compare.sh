#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times the console front end beside ripgrep and GNU grep on the three corpora of a search-tool
# comparison (a tree of kernel sources, one 500 MB file, 100,000 files of 1 KB), one hyperfine
# run per query, after checking that every tool reports the same number of lines; then the
# window (offscreen, closing itself after its search) with and without its counting pass beside
# the console, with its start-up on an empty folder, and the peak memory of a console search of the
# tree, of the big file and of a file of over 2 GB.
#
# Usage: bench/engine-compare.sh [runs]
#   corpus folder: $QUARNEL_CORPUS (default /tmp/quarnel-corpus); build folder: $QUARNEL_BUILD
#   (default build/), or $QUARNEL_BIN (see below); results as Markdown tables on standard output, hyperfine's own exports in
#   $QUARNEL_CORPUS/results.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=${1:-5}
corpus=${QUARNEL_CORPUS:-/tmp/quarnel-corpus}
build=${QUARNEL_BUILD:-$root/build}

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
need=()
command -v hyperfine >/dev/null || need+=(hyperfine)
command -v rg >/dev/null || need+=(ripgrep)
command -v xz >/dev/null || need+=(xz-utils)
command -v bc >/dev/null || need+=(bc)
command -v jq >/dev/null || need+=(jq)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
# $QUARNEL_BIN: a folder holding built programs to time as they are (a copy kept from an earlier
# commit); otherwise the programs are built first.
if [ -n "${QUARNEL_BIN:-}" ]; then
  bin=$QUARNEL_BIN
else
  "$root/scripts/build.sh" "$build" -- quarnel quarnel32 >/dev/null
  bin=$build/src
fi
quarnel="$bin/quarnel"
window="$bin/quarnel32"

# --- The corpora --------------------------------------------------------------------------------
"$here/corpus.sh" all
tree="$corpus/tree"
big="$corpus/big/all.txt"
tiny="$corpus/tiny"
echo "tree: $(find "$tree" -type f | wc -l) files, $(du -sm "$tree" | cut -f1) MB;" \
  "big file: $(( $(stat -c %s "$big") / 1048576 )) MB; tiny: $(find "$tiny" -type f | wc -l) files"
echo "quarnel: ${QUARNEL_BIN:-$(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet || echo +changes)};" \
  "$(rg --version | head -1); $(grep --version | head -1); $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"

results="$corpus/results"
mkdir -p "$results"
# The console's one-thread switch, where this build has one.
if "$quarnel" --help | grep -q -- '-j N'; then single=(-j1); threads=yes; else single=(); threads=no; fi
[ "$threads" = yes ] || echo "(this build has no -j: 'quarnel -j1' is the same command as 'quarnel')"

# name ; corpus ; quarnel switches ; the search text ; ripgrep options ; grep options
# (Braces are plain characters in quarnel's patterns: [A-Z]{3} is written out.)
# Quarnel skips dot-named entries as ripgrep does; neither reads ignore files (rg -u).
queries=(
  "PM_RESUME;tree;-m;PM_RESUME;-F;-F"
  "firmware, any case;tree;-m-;firmware;-i -F;-i -F"
  "[A-Z][a-z]+Error;tree;-m;[A-Z][a-z]+Error;;-E"
  "whole word err;tree;-m -w;err;-w;-w"
  "three alternatives;tree;-m;ENOMEM|EBUSY|EAGAIN;;-E"
  "no literal;tree;-m;[A-Z][A-Z][A-Z][0-9][0-9][0-9][0-9][a-z];;-E"
  "PM_RESUME;500 MB file;-m;PM_RESUME;-F;-F"
  "firmware, any case;500 MB file;-m-;firmware;-i -F;-i -F"
  "PM_RESUME;100k tiny files;-m;PM_RESUME;-F;-F"
)
# A command as one line for hyperfine, every word quoted for its shell.
quoted() { local words=() w; for w in "$@"; do words+=("$(printf '%q' "$w")"); done; echo "${words[*]}"; }
med() { jq -r --arg n "$2" '.results[] | select(.command == $n) | .median' "$1"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

printf '\n| query | corpus | quarnel -j1 | rg -j1 | quarnel | rg | grep -r | q-j1 / rg-j1 | q / rg | q / grep | lines q / rg / grep |\n'
printf '|---|---|---|---|---|---|---|---|---|---|---|\n'
n=0
for entry in "${queries[@]}"; do
  IFS=';' read -r name where qopts pattern ropts gopts <<<"$entry"
  case $where in
    tree) cd "$tree" ;;
    "500 MB file") cd "$(dirname "$big")" ;;
    *) cd "$tiny" ;;
  esac
  read -r -a qa <<<"$qopts"; read -r -a ra <<<"$ropts"; read -r -a ga <<<"$gopts"
  # Quarnel: every file, sub-folders, no counting pass.
  qcmd=("$quarnel" -r -c- "${qa[@]}" "$pattern" '*.*' .)
  q1cmd=("$quarnel" "${single[@]}" -r -c- "${qa[@]}" "$pattern" '*.*' .)
  rcmd=(rg -u --no-messages "${ra[@]}" -e "$pattern" .)
  r1cmd=(rg -j1 -u --no-messages "${ra[@]}" -e "$pattern" .)
  gcmd=(grep -r "${ga[@]}" -e "$pattern" .)
  # (Each tool exits with 1 when nothing matched.)
  ql=$("${qcmd[@]}" | wc -l || true); rl=$("${rcmd[@]}" | wc -l || true); gl=$("${gcmd[@]}" | wc -l || true)
  n=$((n + 1))
  out="$results/query$n.json"
  hyperfine --style=none --output=pipe --warmup 1 --runs "$runs" -i --export-json "$out" \
    -n quarnel-j1 "$(quoted "${q1cmd[@]}")" -n rg-j1 "$(quoted "${r1cmd[@]}")" \
    -n quarnel "$(quoted "${qcmd[@]}")" -n rg "$(quoted "${rcmd[@]}")" -n grep "$(quoted "${gcmd[@]}")" >/dev/null
  tq1=$(med "$out" quarnel-j1); tr1=$(med "$out" rg-j1); tq=$(med "$out" quarnel); tr=$(med "$out" rg)
  tg=$(med "$out" grep)
  printf '| %s | %s | %.3f | %.3f | %.3f | %.3f | %.3f | %s | %s | %s | %s / %s / %s |\n' \
    "$name" "$where" "$tq1" "$tr1" "$tq" "$tr" "$tg" "$(ratio "$tq1" "$tr1")" "$(ratio "$tq" "$tr")" \
    "$(ratio "$tq" "$tg")" "$ql" "$rl" "$gl"
done
echo
echo "Medians in seconds of $runs runs after a warm-up, output through a pipe. A ratio below 1 is faster."
echo "Whole-word counts differ by rule: a digit is not a word character for quarnel, it is for rg and grep."

# --- The window beside the console ----------------------------------------------------------------
# A fresh configuration searches sub-folders and counts the files first; the one switch the
# window's command line takes before the search text turns the count off (/C-) or on (/C).
config=$(mktemp -d)
cd "$tree"
winenv=(env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" QUARNEL_QUIT_AFTER_STARTUP=1 "$window")
# The same window searching an empty folder gives its start-up and shut-down, which do not
# grow with the tree: the window's times less that one are its search's own.
empty=$(mktemp -d)
trap 'rm -rf "$config" "$empty"' EXIT
out="$results/window.json"
hyperfine --style=none --output=pipe --warmup 1 --runs "$runs" -i --export-json "$out" \
  --prepare "rm -rf $(printf '%q' "$config")/*" \
  -n console "$(quoted "$quarnel" -r PM_RESUME '*.*' "$tree")" \
  -n window "$(quoted "${winenv[@]}" /C- PM_RESUME '*.*' "$tree")" \
  -n window+count "$(quoted "${winenv[@]}" /C PM_RESUME '*.*' "$tree")" \
  -n start-up "$(quoted "${winenv[@]}" /C PM_RESUME '*.*' "$empty")" >/dev/null
tc=$(med "$out" console); tw=$(med "$out" window); twc=$(med "$out" window+count); ts=$(med "$out" start-up)
printf '\n| PM_RESUME, tree | console | window | window + count | window / console | window + count / console |\n'
printf '|---|---|---|---|---|---|\n'
printf '| seconds | %.3f | %.3f | %.3f | %s | %s |\n' "$tc" "$tw" "$twc" "$(ratio "$tw" "$tc")" "$(ratio "$twc" "$tc")"
printf '| less the start-up (%.3f s on an empty folder) | | %.3f | %.3f | %s | %s |\n' "$ts" \
  "$(echo "$tw - $ts" | bc -l)" "$(echo "$twc - $ts" | bc -l)" \
  "$(ratio "$(echo "$tw - $ts" | bc -l)" "$tc")" "$(ratio "$(echo "$twc - $ts" | bc -l)" "$tc")"

# --- Memory -------------------------------------------------------------------------------------
rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'; }
echo
# A file of over 2 GB, the big file four times, shows that memory follows the block size and
# not the file's size.
huge="$corpus/huge/all4.txt"
if [ ! -s "$huge" ]; then
  mkdir -p "$(dirname "$huge")"
  for _ in 1 2 3 4; do cat "$big"; done >"$huge.part" && mv "$huge.part" "$huge"
fi
echo "Peak RSS of a console search of the tree (PM_RESUME): $(( $(rss "$quarnel" -r -c- -m PM_RESUME '*.*' .) / 1024 )) MB;" \
  "of the 500 MB file: $(cd "$(dirname "$big")" && echo $(( $(rss "$quarnel" -c- -m PM_RESUME all.txt .) / 1024 ))) MB;" \
  "of the $(( $(stat -c %s "$huge") / 1048576 )) MB file: $(cd "$(dirname "$huge")" && echo $(( $(rss "$quarnel" -c- -m PM_RESUME all4.txt .) / 1024 ))) MB"
