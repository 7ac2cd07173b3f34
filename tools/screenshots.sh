#!/usr/bin/env bash
# Builds the screenshot tool and regenerates docs/screenshots (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshots}"
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DNORVANE_WERROR=ON >/dev/null
cmake --build build -j2 --target norvane-screenshots
QT_QPA_PLATFORM=offscreen build/bin/norvane-screenshots "$out"
echo "== Screenshots written to $out"
