#!/usr/bin/env bash
# The captions of top-level windows include a mapped window's title, and a blank title is left out.
set -euo pipefail
probe=$1
xmessage -title "vtr caption probe" -name vtrprobe "caption test" &
shown=$!
xmessage -title "   " -name vtrblank "blank caption" &
blank=$!
trap 'kill $shown $blank 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  if "$probe" windows | grep -qx "vtr caption probe"; then break; fi
  sleep 0.1
done
out=$("$probe" windows)
echo "$out"
grep -qx "vtr caption probe" <<<"$out" || { echo "caption missing"; exit 1; }
if grep -qx "   " <<<"$out"; then echo "blank caption listed"; exit 1; fi
echo ok
