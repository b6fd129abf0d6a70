#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian package of a build in a temporary folder and checks it as a distribution would:
# lintian finds no error and no warning, and the software-centre metadata and the desktop entries
# in the package are valid. Skipped (exit 77) when a tool is missing; scripts/setup.sh installs
# them all.
# Usage: package-test.sh <cpack> <build-dir> <version> <with-window: 1|0>
set -euo pipefail

cpack=$1
build=$2
version=$3
window=$4

tools=(dpkg-deb lintian)
if [ "$window" = 1 ]; then tools+=(appstreamcli desktop-file-validate); fi
for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home
mkdir -p "$HOME"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack -G DEB" >&2
    exit 1
fi
deb=$(ls "$work"/quarnel_"$version"_*.deb)

# Errors and warnings are what a maintainer must mend; the informational tags are shown, not
# counted.
if ! lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1; then
    fail "lintian reports errors or warnings"
fi
grep -v 'running with root privileges' "$work/lintian.log" | sed 's/^/  lintian: /' >&2 || true

root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/share/doc/quarnel/copyright usr/share/doc/quarnel/changelog.gz \
    usr/share/bash-completion/completions/quarnel; do
    [ -f "$root/$f" ] || fail "not in the package: $f"
done

if [ "$window" = 1 ]; then
    metainfo=$root/usr/share/metainfo/org.quarnel.Quarnel.metainfo.xml
    if [ ! -f "$metainfo" ]; then
        fail "not in the package: ${metainfo#"$root"/}"
    elif ! appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1; then
        sed 's/^/  appstreamcli: /' "$work/appstream.log" >&2
        fail "appstreamcli validate"
    fi
    # The metadata names the menu entry that starts the program, and the entry is there.
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ -f "$root/usr/share/applications/$launchable" ] ||
        fail "the metadata's launchable '$launchable' is not in the package"
    for entry in "$root"/usr/share/applications/*.desktop; do
        if ! desktop-file-validate "$entry" >"$work/desktop.log" 2>&1; then
            sed 's/^/  desktop-file-validate: /' "$work/desktop.log" >&2
            fail "desktop-file-validate ${entry##*/}"
        fi
    done
fi

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "the package $(basename "$deb") is clean"
