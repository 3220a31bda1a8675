#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the demo: the stub
# under Wine, answering its banner switch.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${SLIPWAY_BUILD:-build}
state=$build/demo-wine
tests/windows/wine-session.sh start "$state"
trap 'tests/windows/wine-session.sh stop "$state"' EXIT
echo "== slipway-stub.exe -installerinfo"
tests/windows/wine-run.sh "$state" "$build/stub/slipway-stub.exe" -installerinfo
