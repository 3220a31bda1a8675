#!/usr/bin/env bash
# Configures and builds everything into build/ (or $SLIPWAY_BUILD).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SLIPWAY_BUILD:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja
fi
cmake --build "$build"
