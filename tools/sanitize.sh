#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs every
# test there; any sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== Building with sanitizers (build-asan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DNORVANE_SANITIZE=ON -DNORVANE_BUILD_BENCH=OFF \
    -DNORVANE_BUILD_TOOLS=OFF >/dev/null
cmake --build build-asan -j2
echo "== Running the tests with sanitizers"
# Qt keeps some process-wide allocations until exit; leaks are not what this run looks for.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2 --timeout 900
