#!/usr/bin/env bash
# The benchmark table: installs what is needed, builds Release in build/rel and measures vtr
# beside the bare engine under a private Xvfb display. Exits 1 when a target is missed.
# RUNS (default 5) sets the number of start-ups measured per side.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake -S . -B build/rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTR_TESTS=OFF -DVTR_BENCH=ON
cmake --build build/rel -j "$(nproc)"
scripts/with-display.sh /usr/bin/python3 bench/bench_table.py build/rel "${RUNS:-5}"
