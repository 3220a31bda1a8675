#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: host tests,
# Windows-side tests under Wine on Xvfb, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${SLIPWAY_BUILD:-build}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
ctest --test-dir "$build" --output-on-failure -j2 "$@" 2>&1 | tee "$log" || status=$?
# Where the kernel runs no 32-bit code, ctest reports the Windows side as
# skipped, which is easy to miss among hundreds of passes: say it plainly.
skipped=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: windows\..*(Skipped|Not Run)' "$log" || true)
if [ "$skipped" -gt 0 ]; then
    echo "Windows side NOT RUN: $skipped Windows-side tests were skipped (this machine runs no 32-bit code);" \
        "run them under emulation with: sudo tests/windows/emulation/run-suite.sh"
fi
exit "$status"
