#!/usr/bin/env bash
# Runs every fuzz target longer than the test command does.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
build=${SLIPWAY_BUILD:-build}
scripts/build.sh
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    echo "== $name for $seconds s"
    tests/fuzz/run-fuzzer.sh "$target" "tests/fuzz/corpus/$name" "$build/fuzz/corpus/$name" "$seconds"
done
