#!/usr/bin/env bash
# Builds everything and runs every test, as CI does on a fresh Debian 12 machine:
#   1. Release: the plug-in bundle, our VST3 host, the unit, real-time and host tests (the window
#      tests under a private X server), the benchmarks (built, not timed);
#   2. AddressSanitizer + UndefinedBehaviorSanitizer (clang): the unit tests, then a bounded run
#      of the saved-state fuzzer;
#   3. ThreadSanitizer (clang): the two-thread stress tests.
# Every test runs with the network cut (scripts/offline.sh): only loopback is reachable.
#
#   scripts/test.sh            all stages
#   FUZZ_SECONDS=N             length of the fuzz run (default 60)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh

fuzz_seconds=${FUZZ_SECONDS:-60}
stage_start=$SECONDS
stage() {
    echo
    echo "=== $* (at $((SECONDS - stage_start)) s)"
}

stage "Release build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKYLORN_BENCHMARKS=ON
cmake --build build/release

stage "Release tests"
scripts/offline.sh --display ctest --test-dir build/release --output-on-failure

stage "AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-O1 \
    -DSKYLORN_SANITIZE="address;undefined" -DSKYLORN_FUZZ=ON -DSKYLORN_HOST=OFF
cmake --build build/asan --target skylorn_unit_tests skylorn_state_fuzzer

stage "Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    scripts/offline.sh build/asan/tests/skylorn_unit_tests

stage "Fuzzing the saved state for ${fuzz_seconds} s"
bash fuzz/run.sh build/asan/fuzz/skylorn_state_fuzzer "$fuzz_seconds"

stage "ThreadSanitizer build"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DSKYLORN_SANITIZE=thread -DSKYLORN_HOST=OFF
cmake --build build/tsan --target skylorn_unit_tests

stage "Two-thread stress tests under ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    scripts/offline.sh build/tsan/tests/skylorn_unit_tests --gtest_filter='Concurrency*'

stage "All tests passed"
