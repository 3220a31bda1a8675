#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: host tests,
# Windows-side tests under Wine on Xvfb, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${SLIPWAY_BUILD:-build}
ctest --test-dir "$build" --output-on-failure -j2 "$@"
