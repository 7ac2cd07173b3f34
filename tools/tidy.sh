#!/usr/bin/env bash
# Runs clang-tidy (the repo's .clang-tidy) over the sources, or over the files given, using
# the compile commands of build/. Prints nothing when clean.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || tools/setup.sh
if [ $# -gt 0 ]; then files=("$@"); else mapfile -t files < <(git ls-files 'src/*.cpp' 'servicesim/*.cpp'); fi
findings=$(printf '%s\n' "${files[@]}" | xargs -P2 -n4 clang-tidy -p build --quiet 2>/dev/null | grep -E 'warning:|error:' || true)
[ -z "$findings" ] || { echo "$findings"; exit 1; }
