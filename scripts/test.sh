#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: installs what is needed, builds with GCC,
# runs every test under Xvfb + openbox, rebuilds with clang + AddressSanitizer/UBSan to run the
# unit tests again, and runs every fuzz target for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash scripts/setup.sh

echo "== build (GCC) =="
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
cmake --build build/test -j "$jobs"

echo "== tests under Xvfb + openbox =="
scripts/with-display.sh ctest --test-dir build/test --output-on-failure --timeout 300 -j "$jobs"

echo "== build (clang, AddressSanitizer + UndefinedBehaviorSanitizer, libFuzzer) =="
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVTR_SANITIZE=ON -DVTR_FUZZ=ON -DVTR_BENCH=OFF
cmake --build build/sanitize -j "$jobs"

echo "== unit tests under the sanitizers =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  scripts/with-display.sh ctest --test-dir build/sanitize -L unit --output-on-failure --timeout 300 -j "$jobs"

echo "== fuzzers =="
scripts/run-fuzzers.sh build/sanitize "${VTR_FUZZ_SECONDS:-20}"

echo "== all tests passed =="
