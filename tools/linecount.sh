#!/usr/bin/env bash
# Prints the lines of code (src/, servicesim/, tools/, bench/) and of tests (tests/), and their
# ratio; the suite should stay at about a quarter to a third of the code.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    git ls-files --cached --others --exclude-standard "$@" | grep -E '\.(cpp|h|sh|py)$|CMakeLists\.txt$' \
        | xargs -r cat | wc -l
}
code=$(count 'src/*' 'servicesim/*' 'tools/*' 'bench/*')
tests=$(count 'tests/*')
ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", c ? t / c : 0 }')
echo "code ${code} lines, tests ${tests} lines, tests/code ${ratio}"
