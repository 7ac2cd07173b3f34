#!/usr/bin/env bash
# Regenerates the artwork under resources/images from tools/artwork/main.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DNORVANE_WERROR=ON >/dev/null
cmake --build build -j2 --target norvane-artwork
QT_QPA_PLATFORM=offscreen build/bin/norvane-artwork resources/images
echo "== Artwork written to resources/images"
