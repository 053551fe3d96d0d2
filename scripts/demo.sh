#!/usr/bin/env bash
# Builds vtr on a fresh Debian 12 machine, packs the showcase application with vtr-pack and
# opens it. Without a display it runs under a private Xvfb, saves a screenshot and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTR_TESTS=OFF -DVTR_BENCH=OFF
cmake --build build/demo -j "$(nproc)" --target vtr vtr-pack vtr_engine_webkitgtk

out=build/demo/showcase
build/demo/bin/vtr-pack examples/showcase/app --ini examples/showcase/vtr.ini -o "$out"
echo "demo: packed $root/$out"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$out"
fi

shot="$root/build/demo/showcase.png"
# shellcheck disable=SC2016
scripts/with-display.sh bash -c '
  "$1" & app=$!
  sleep 8
  import -window root "$2"
  kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true
' _ "$root/$out" "$shot"
echo "demo: no display here, so the showcase ran under Xvfb; screenshot: $shot"
