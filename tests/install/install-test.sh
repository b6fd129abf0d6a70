#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build into a temporary prefix and runs the installed programs from there: the console
# program through its link on the PATH and from a copied program folder, and the window offscreen
# with a command line that runs a search and closes; then opens a parameter file as the desktop
# would, and completes the console program's command line. Nothing outside the temporary folder
# is touched.
# Usage: install-test.sh <cmake> <build-dir> <program-folder under the prefix> <version> <with-window: 1|0>
set -euo pipefail

cmake=$1
build=$2
program_dir=$3
version=$4
window=$5

work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
work=$(cd -P "$work" && pwd)
prefix=$work/prefix
program_folder=$prefix/$program_dir

# A home of its own, so that neither the programs nor Qt write into the real one.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DESTDIR

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs a command, keeping its output in $out and its status in $status.
run() {
    set +e
    out=$("$@" 2>"$work/stderr")
    status=$?
    set -e
}

expect() { # expect <description> <expected> <actual>
    if [ "$2" != "$3" ]; then
        fail "$1"
        printf '  expected: %s\n  actual:   %s\n' "$2" "$3" >&2
        if [ -s "$work/stderr" ]; then sed 's/^/  stderr: /' "$work/stderr" >&2; fi
    fi
}

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi

# --- Layout --------------------------------------------------------------------------------
files=(
    "$program_dir/quarnel" "$program_dir/style.css" "$program_dir/help/index.htm"
    "$program_dir/help/html/search-dialog.htm" "$program_dir/icons/quarnel.svg"
    share/doc/quarnel/copyright share/bash-completion/completions/quarnel
)
gzipped=(share/man/man1/quarnel.1 share/doc/quarnel/changelog)
if [ "$window" = 1 ]; then
    files+=(
        "$program_dir/quarnel32" "$program_dir/images/search-assistant.svg"
        share/applications/quarnel32.desktop share/applications/quarnel32-folder.desktop
        share/applications/quarnel32-parameters.desktop
        share/icons/hicolor/scalable/apps/quarnel.svg
        share/metainfo/org.quarnel.Quarnel.metainfo.xml share/mime/packages/quarnel.xml
    )
    gzipped+=(share/man/man1/quarnel32.1)
fi
for f in "${files[@]}"; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for f in "${gzipped[@]}"; do
    [ -f "$prefix/$f.gz" ] || [ -f "$prefix/$f" ] || fail "not installed: $f(.gz)"
done

# The commands on the PATH are relative links into the program folder.
programs=(quarnel)
if [ "$window" = 1 ]; then programs+=(quarnel32); fi
for program in "${programs[@]}"; do
    [ -x "$program_folder/$program" ] || fail "not executable: $program_dir/$program"
    link=$prefix/bin/$program
    if [ ! -L "$link" ]; then
        fail "bin/$program is not a symbolic link"
        continue
    fi
    case $(readlink "$link") in
        /*) fail "bin/$program is an absolute link: $(readlink "$link")" ;;
    esac
    expect "bin/$program resolves to the installed executable" "$program_folder/$program" "$(readlink -f "$link")"
done

# The fixed-size icons are PNGs of their size (width and height are bytes 16 to 23 of the header).
if [ "$window" = 1 ]; then
    for size in 48 256; do
        png=$prefix/share/icons/hicolor/${size}x${size}/apps/quarnel.png
        if [ ! -f "$png" ]; then
            fail "no ${size}x${size} icon"
            continue
        fi
        expect "${size}x${size} icon is a PNG" "89504e47" "$(od -An -tx1 -N4 "$png" | tr -d ' \n')"
        dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
        expect "${size}x${size} icon has its size" "${size}x${size}" "$dimensions"
    done
fi

# --- The console program ---------------------------------------------------------------------
tree=$work/tree
mkdir -p "$tree/sub"
printf 'first line\nthe needle here\n' >"$tree/a.txt"
printf 'needle again\n' >"$tree/sub/b.txt"
printf 'a needle in a log\n' >"$tree/c.log"
printf 'nothing to find\n' >"$tree/d.txt"
cd "$work"

run "$prefix/bin/quarnel" --version
expect "quarnel --version" "0 quarnel $version" "$status $out"

run "$prefix/bin/quarnel" needle '*.txt' "$tree"
expect "quarnel finds the lines with a hit" "0 $tree/a.txt:2:the needle here
$tree/sub/b.txt:1:needle again" "$status $out"

run "$prefix/bin/quarnel" haystack '*.txt' "$tree"
expect "quarnel without a hit" "1 " "$status $out"

# The report links the style sheet of the folder the executable really lies in: the installed
# program folder when started through the link, the copy when started from a copied folder.
run "$prefix/bin/quarnel" --html "$work/report.htm" needle '*.txt' "$tree"
expect "quarnel --html" 0 "$status"
grep -q "$program_folder/style.css" "$work/report.htm" ||
    fail "the installed report does not link $program_folder/style.css"

cp -a "$program_folder" "$work/copy"
run "$work/copy/quarnel" --html "$work/copy-report.htm" needle '*.txt' "$tree"
expect "quarnel from a copied folder" 0 "$status"
grep -q "$work/copy/style.css" "$work/copy-report.htm" ||
    fail "the report of the copied program does not link $work/copy/style.css"

# --- The window ------------------------------------------------------------------------------
if [ "$window" = 1 ]; then
    run env QT_QPA_PLATFORM=offscreen QUARNEL_QUIT_AFTER_STARTUP=1 \
        timeout 120 "$prefix/bin/quarnel32" /r- needle '*.txt' "$tree"
    expect "quarnel32 runs the search of its command line and exits" 0 "$status"
    parameters=$XDG_CONFIG_HOME/Quarnel/default.par
    if [ ! -f "$parameters" ]; then
        fail "quarnel32 wrote no $parameters"
    else
        grep -qx 'Search String=needle' "$parameters" || fail "default.par lacks the search text"
        grep -qx 'Recurse Subdirectories=False' "$parameters" || fail "default.par lacks the /r- switch"
        grep -qx "0=$tree" "$parameters" || fail "default.par lacks the folder"
    fi
fi

# --- Parameter files open in the window ------------------------------------------------------
# The file type database built from the installed description knows *.par, one desktop entry
# claims the type, and its command, with the file put in as a launcher would, runs the search
# kept in the file.
if [ "$window" = 1 ]; then
    type=application/x-quarnel-parameters
    if ! command -v update-mime-database >/dev/null; then
        echo "SKIP: the file type database (update-mime-database is not installed)" >&2
    else
        update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "update-mime-database"
        grep -qx "[0-9]*:$type:\*\.par" "$prefix/share/mime/globs2" || fail "*.par is not $type"
    fi
    entries=$(grep -l "^MimeType=.*$type;" "$prefix"/share/applications/*.desktop || true)
    expect "one desktop entry opens $type" 1 "$(printf '%s' "$entries" | grep -c . || true)"
    if [ -n "$entries" ]; then
        exec_line=$(sed -n 's/^Exec=//p' "$entries")
        expect "the entry's command" "quarnel32 /F%f" "$exec_line"
        par="$work/my searches/again.par"
        mkdir -p "${par%/*}"
        printf '[General Search Parameters]\nSearch String=again\nRecurse Subdirectories=True\n[Active File Specifications]\n0=*.txt\n[Active Directory Specifications]\n0=%s\n' \
            "$tree" >"$par"
        read -ra command <<<"$exec_line"
        command=("${command[@]//%f/$par}")
        rm -f "$XDG_CONFIG_HOME/Quarnel/default.par"
        run env PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=offscreen QUARNEL_QUIT_AFTER_STARTUP=1 \
            timeout 120 "${command[@]}"
        expect "opening a parameter file runs quarnel32" 0 "$status"
        grep -qx 'Search String=again' "$XDG_CONFIG_HOME/Quarnel/default.par" 2>/dev/null ||
            fail "opening a parameter file did not run its search"
    fi
fi

# --- Completion of the console program's command line ----------------------------------------
bash_completion=/usr/share/bash-completion/bash_completion
if [ ! -f "$bash_completion" ]; then
    echo "SKIP: completion (bash-completion is not installed)" >&2
else
    mkdir -p "$work/complete/sub"
    touch "$work/complete/a.par" "$work/complete/b.txt" "$work/complete/sub/c.PAR"
    # The replies, blank-separated, for the last of the words, in the folder complete/.
    completions() {
        (cd "$work/complete" && bash -c '
            source "$0"
            source "$1"
            shift
            function=$(complete -p quarnel | sed -n "s/.* -F \([^ ]*\) .*/\1/p")
            COMP_WORDS=(quarnel "$@")
            COMP_CWORD=$#
            COMP_LINE="${COMP_WORDS[*]}"
            COMP_POINT=${#COMP_LINE}
            "$function" quarnel "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            echo "${COMPREPLY[*]}"' "$bash_completion" "$prefix/share/bash-completion/completions/quarnel" "$@")
    }
    # The words typed (a trailing blank starts an empty word) | the replies.
    while IFS='|' read -r words replies; do
        read -ra args <<<"$words"
        if [ "${words: -1}" = " " ]; then args+=(""); fi
        expect "completion of 'quarnel $words'" "$replies" "$(completions "${args[@]}" 2>"$work/stderr")"
    done <<'CASES'
--j|--json
-r --ht|--html
-|--json --csv --html --replace --overwrite --backup --dry-run --history --undo --help --version -- -c -m -w -r -x -v -s -q -j -F
-j |
-j 2 -r -|--json --csv --html --replace --overwrite --backup --dry-run --history --undo --help --version -- -c -m -w -r -x -v -s -q -j -F
-F|-Fsub/ -Fa.par
-r /Fsub/|/Fsub/c.PAR
word *.c |sub
word |
word -F|
-- -r *.c |sub
--html x.htm -m word *.c --c|--csv
--dr|--dry-run
--undo |
--replace |
--replace x -q word *.c |sub
CASES
fi

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "installed programs work from $prefix"

