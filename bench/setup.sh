#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what the scan benchmark compares against: GNU grep (part of every Debian system) and
# ripgrep. Run as root or with sudo available.
set -euo pipefail

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if ! command -v rg > /dev/null; then
    as_root apt-get update -qq
    as_root apt-get install -y -qq ripgrep
fi
if ! command -v grep > /dev/null; then
    as_root apt-get update -qq
    as_root apt-get install -y -qq grep
fi
echo "grep: $(grep --version | head -1)"
echo "rg:   $(rg --version | head -1)"
