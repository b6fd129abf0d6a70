#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmark corpora once in $QUARNEL_CORPUS (default /tmp/quarnel-corpus), from Debian's
# linux-source-6.1 package: tree/ (drivers/ without the generated headers of drivers/gpu/drm/amd,
# fs/ and include/: about 37,500 files, 570 MB) and, with "all", big/all.txt (the tree's .c and .h
# files concatenated in path order, about 530 MB) and tiny/ (100,000 files of about 1 KB).
# Usage: bench/corpus.sh [all]
set -euo pipefail
corpus=${QUARNEL_CORPUS:-/tmp/quarnel-corpus}
tree="$corpus/tree"
big="$corpus/big/all.txt"
tiny="$corpus/tiny"

# The tree: the package is fetched unless it lies in the corpus folder already.
if [ ! -d "$tree" ]; then
  mkdir -p "$corpus" && cd "$corpus"
  ls linux-source-6.1_*.deb >/dev/null 2>&1 || apt-get download linux-source-6.1
  rm -rf pkg && dpkg-deb -x linux-source-6.1_*.deb pkg
  tar -xJf pkg/usr/src/linux-source-6.1.tar.xz \
    linux-source-6.1/drivers linux-source-6.1/fs linux-source-6.1/include
  rm -rf linux-source-6.1/drivers/gpu/drm/amd
  mkdir -p tree.new && mv linux-source-6.1/drivers linux-source-6.1/fs linux-source-6.1/include tree.new/
  rm -rf pkg linux-source-6.1
  mv tree.new tree
fi
[ "${1:-}" = all ] || exit 0
# One big file: the tree's .c and .h files concatenated in path order.
if [ ! -f "$big" ]; then
  mkdir -p "$corpus/big"
  (cd "$tree" && find . -type f \( -name '*.c' -o -name '*.h' \) -print0 | LC_ALL=C sort -z |
    xargs -0 cat) > "$big.new"
  mv "$big.new" "$big"
fi
# 100,000 files of about 1 KB (cut at line ends), 1,000 to a folder.
if [ ! -d "$tiny" ]; then
  rm -rf "$tiny.new" && mkdir -p "$tiny.new"
  head -c 120M "$big" | (cd "$tiny.new" && split -C 1024 -d -a 6 - f)
  (cd "$tiny.new" && for d in $(seq -w 0 99); do
     mkdir "d0$d" && mv f0"$d"??? "d0$d"/
   done && rm -f f*)
  mv "$tiny.new" "$tiny"
fi
