#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the demo: `slipway
# build` makes the installer of the example product examples/hello, which
# then runs under Wine and answers its query switches.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${SLIPWAY_BUILD:-build}
setup=$build/demo/hello-setup.exe
mkdir -p "$build/demo"
echo "== slipway build examples/hello/slipway.toml"
"$build/host/slipway" build examples/hello/slipway.toml -o "$setup"

state=$build/demo-wine
tests/windows/wine-session.sh start "$state"
trap 'tests/windows/wine-session.sh stop "$state"' EXIT
echo "== hello-setup.exe -installerinfo"
tests/windows/wine-run.sh "$state" "$setup" -installerinfo
echo
for switch in -version -subject -uninstallregistrykeyname; do
    echo "== hello-setup.exe $switch"
    tests/windows/wine-run.sh "$state" "$setup" "$switch"
    echo
done
