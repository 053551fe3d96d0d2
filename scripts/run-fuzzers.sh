#!/usr/bin/env bash
# Runs every fuzz target of a build for a bounded time from its checked-in seed corpus.
# Usage: run-fuzzers.sh BUILD_DIR [SECONDS_PER_TARGET]
set -euo pipefail
build=$1
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
failed=0
while read -r target; do
  [ -n "$target" ] || continue
  exe=$(find "$build" -type f -name "$target" -perm -u+x | head -n 1)
  seeds="$root/tests/fuzz/corpus/${target#fuzz_}"
  work=$(mktemp -d)
  echo "fuzz: $target for ${seconds}s"
  # New inputs go to the scratch corpus; the checked-in seeds are only read.
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$target-" "$work" ${seeds:+$( [ -d "$seeds" ] && echo "$seeds")} \
      >"$artifacts/$target.log" 2>&1; then
    echo "fuzz: $target FAILED (see $artifacts/$target.log)"
    tail -n 40 "$artifacts/$target.log"
    failed=1
  else
    grep -E 'stat::number_of_executed_units' "$artifacts/$target.log" | sed "s/^/fuzz: $target /" || true
  fi
  rm -rf "$work"
done <"$build/fuzz-targets.txt"
exit "$failed"
