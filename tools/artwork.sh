#!/usr/bin/env bash
# Regenerates the artwork under resources/images from tools/artwork/main.cpp, and the program
# icon's PNGs under packaging/icons/hicolor from packaging/icons/norvane.svg.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DNORVANE_WERROR=ON >/dev/null
cmake --build build -j2 --target norvane-artwork
QT_QPA_PLATFORM=offscreen build/bin/norvane-artwork resources/images
QT_QPA_PLATFORM=offscreen build/bin/norvane-artwork --icon packaging/icons/norvane.svg packaging/icons/hicolor
echo "== Artwork written to resources/images and packaging/icons/hicolor"
