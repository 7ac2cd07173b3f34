#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, ASan and UBSan into build-fuzz/ and runs each
# for the given number of seconds (default 60), starting from its seed corpus under
# tests/fuzz/corpus. New inputs go to build-fuzz/corpus/<target>; a crash is written to
# build-fuzz/crashes/<target>/ and stops the script: add it to the seed corpus once fixed.
# Each run's full output is build-fuzz/<target>.log.
# Usage: tools/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
    -DCMAKE_CXX_COMPILER=clang++-14 -DNORVANE_FUZZ=ON -DNORVANE_BUILD_TESTS=OFF \
    -DNORVANE_BUILD_BENCH=OFF -DNORVANE_BUILD_TOOLS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(sed -n 's/^norvane_add_fuzz_target(\([a-z_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)
fi
cmake --build build-fuzz -j2 --target "${targets[@]}"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
    echo "== $target for ${seconds}s"
    mkdir -p "build-fuzz/corpus/$target" "build-fuzz/crashes/$target"
    status=0
    "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/crashes/$target/" \
        "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" >"build-fuzz/$target.log" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+(DONE|INITED)|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY|.*property failed|Test unit written)' \
        "build-fuzz/$target.log" || true
    if [ "$status" -ne 0 ]; then
        echo "crash found (full output in build-fuzz/$target.log): add the input to tests/fuzz/corpus/$target once fixed"
        exit 1
    fi
done
