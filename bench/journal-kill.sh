#!/bin/bash
# SPDX-License-Identifier: MIT
# Kills the console front end with SIGKILL at random moments of a journaled replace of many
# files, and of an undo, and checks after every kill that the journal and the files agree: each
# file holds wholly its old or wholly its new content, the journal names every file that was
# changed (at most one more, written ahead of its change), and an undo then restores every
# changed file byte for byte. Not a timed test: run it by hand.
#
#   bench/journal-kill.sh [rounds] [files]      (defaults: 50 rounds of each kind, 150 files)
#
# QUARNEL_BIN names the folder of the quarnel executable (default build/src); the tree goes
# to $QUARNEL_BENCH_DIR/journal-kill (default /tmp/quarnel-bench).
set -u

rounds=${1:-50}
files=${2:-150}
here=$(cd "$(dirname "$0")/.." && pwd)
quarnel=${QUARNEL_BIN:-$here/build/src}/quarnel
[ -x "$quarnel" ] || { echo "no program at $quarnel: build it first" >&2; exit 2; }
work=${QUARNEL_BENCH_DIR:-/tmp/quarnel-bench}/journal-kill
rm -rf "$work"
mkdir -p "$work/pristine" "$work/config"
export XDG_CONFIG_HOME=$work/config

# The tree: small files with hits on several lines, a few large ones whose originals go to the
# journal's store, line ends of both kinds, a file without a last line end.
for ((i = 0; i < files; i++)); do
    {
        for ((j = 0; j < 40; j++)); do
            printf 'line %d of file %d: a hit here and a hit there\r\n' "$j" "$i"
            printf 'no match on this line %d\n' "$j"
        done
        printf 'last hit without a line end'
    } >"$work/pristine/f$i.txt"
done
for i in 0 1 2; do
    { for ((j = 0; j < 6000; j++)); do printf 'big file %d line %d hit of the large kind ........\n' "$i" "$j"; done; } \
        >"$work/pristine/big$i.txt"
done

# What the whole replace makes of every file.
replace=(--replace REPLACED --overwrite -q hit '*.txt')
cp -a "$work/pristine" "$work/expected"
XDG_DATA_HOME=$work/expected-data "$quarnel" "${replace[@]}" "$work/expected" >/dev/null
( cd "$work/pristine" && md5sum -- * ) >"$work/old.md5"
( cd "$work/expected" && md5sum -- * ) >"$work/new.md5"

# Resets the tree and the journal.
fresh() {
    rm -rf "$work/tree" "$work/data"
    cp -a "$work/pristine" "$work/tree"
    export XDG_DATA_HOME=$work/data
}

now_ms() { date +%s%3N; }

# Every file of the tree is wholly old or wholly new; prints how many are new. Temporary files a
# killed run leaves beside the files (.qn-*.tmp) are the next start's to sweep, and are counted.
check_whole() {
    local sums
    sums=$(cd "$work/tree" && md5sum -- *.txt)
    awk -v old="$work/old.md5" -v new="$work/new.md5" '
        BEGIN {
            while ((getline line < old) > 0) { split(line, f, "  "); o[f[2]] = f[1] }
            while ((getline line < new) > 0) { split(line, f, "  "); n[f[2]] = f[1] }
        }
        { if ($1 == n[$2] && $1 != o[$2]) changed++; else if ($1 != o[$2]) { print "torn: " $2 > "/dev/stderr"; bad++ } }
        END { print changed + 0; exit bad > 0 }' <<<"$sums"
}

# The number of files the journal's run 1 names (written ahead), or -1 when there is no run.
journal_files() {
    "$quarnel" --history | awk '$1 == 1 { print $5; found = 1 } END { if (!found) print -1 }'
}

undo_restores() {
    "$quarnel" --undo 1 >/dev/null 2>"$work/undo.err" || { echo "undo failed:" >&2; cat "$work/undo.err" >&2; return 1; }
    diff -r -q -x '.qn-*.tmp' "$work/pristine" "$work/tree" >&2 || return 1
}

# Temporary files a kill left beside the files that the next start could not sweep: a kill
# between making one and listing it in the process's record leaves it unlisted. Counted and
# removed, not failed: they are hidden, private to the user and never hold a user's file.
strays=0
count_strays() {
    local found
    found=$(find "$work/tree" -name '.qn-*.tmp' | wc -l)
    strays=$((strays + found))
    find "$work/tree" -name '.qn-*.tmp' -delete
}

# How long a whole replace and a whole undo take here.
fresh
start=$(now_ms)
"$quarnel" "${replace[@]}" "$work/tree" >/dev/null
replace_ms=$(($(now_ms) - start))
start=$(now_ms)
"$quarnel" --undo 1 >/dev/null
undo_ms=$(($(now_ms) - start))
echo "tree: $files small files and 3 large ones; a whole replace takes ${replace_ms} ms, an undo ${undo_ms} ms"

failures=0
killed_replace=0
declare -A seen=()
for ((round = 1; round <= rounds; round++)); do
    fresh
    delay=$((RANDOM % (replace_ms * 9 / 10 + 1)))
    "$quarnel" "${replace[@]}" "$work/tree" >/dev/null 2>&1 &
    pid=$!
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill -9 "$pid" 2>/dev/null && killed_replace=$((killed_replace + 1))
    wait "$pid" 2>/dev/null
    if ! changed=$(check_whole); then
        echo "replace round $round (killed after $delay ms): a file is neither old nor new" >&2
        failures=$((failures + 1))
        continue
    fi
    named=$(journal_files)
    if ((named < 0 && changed > 0)) || ((named >= 0 && (named < changed || named > changed + 1))); then
        echo "replace round $round: $changed files changed, the journal names $named" >&2
        failures=$((failures + 1))
        continue
    fi
    seen[$((changed * 10 / (files + 3)))]=1
    if ((named >= 0)) && ! undo_restores; then
        echo "replace round $round (killed after $delay ms, $changed changed): undo did not restore the tree" >&2
        failures=$((failures + 1))
        continue
    fi
    count_strays
done
echo "replace: $rounds rounds, $killed_replace killed in the run, tenths of the files changed at the kill: ${!seen[*]}"

killed_undo=0
seen=()
for ((round = 1; round <= rounds; round++)); do
    fresh
    "$quarnel" "${replace[@]}" "$work/tree" >/dev/null
    delay=$((RANDOM % (undo_ms * 9 / 10 + 1)))
    "$quarnel" --undo 1 >/dev/null 2>&1 &
    pid=$!
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill -9 "$pid" 2>/dev/null && killed_undo=$((killed_undo + 1))
    wait "$pid" 2>/dev/null
    if ! changed=$(check_whole); then
        echo "undo round $round (killed after $delay ms): a file is neither old nor new" >&2
        failures=$((failures + 1))
        continue
    fi
    seen[$((changed * 10 / (files + 3)))]=1
    if ! undo_restores; then
        echo "undo round $round (killed after $delay ms, $changed still new): a second undo did not restore the tree" >&2
        failures=$((failures + 1))
    fi
    count_strays
done
echo "undo: $rounds rounds, $killed_undo killed in the run, tenths of the files still new at the kill: ${!seen[*]}"
echo "unlisted temporary files left beside the files by the kills: $strays"

if ((failures > 0)); then
    echo "FAILED: $failures rounds" >&2
    exit 1
fi
echo "every kill left each file wholly old or new, and an undo restored the tree byte for byte"
