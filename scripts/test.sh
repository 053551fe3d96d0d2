#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: installs what is needed, builds with GCC,
# runs every test under Xvfb + openbox, rebuilds with clang + AddressSanitizer/UBSan to run the
# unit tests again, and runs every fuzz target for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
stage() { echo "== $1 (at ${SECONDS}s) =="; }

bash scripts/setup.sh

stage "build (GCC)"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
cmake --build build/test -j "$jobs"

stage "tests under Xvfb + openbox"
scripts/with-display.sh ctest --test-dir build/test --output-on-failure --timeout 300 -j "$jobs"

stage "build (clang, AddressSanitizer + UndefinedBehaviorSanitizer, libFuzzer)"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVTR_SANITIZE=ON -DVTR_FUZZ=ON -DVTR_BENCH=OFF
cmake --build build/sanitize -j "$jobs"

stage "unit tests under the sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  scripts/with-display.sh ctest --test-dir build/sanitize -L unit --output-on-failure --timeout 300 -j "$jobs"

stage "fuzzers"
scripts/run-fuzzers.sh build/sanitize "${VTR_FUZZ_SECONDS:-20}"

stage "all tests passed"
