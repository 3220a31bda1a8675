#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the demo: `slipway
# build` makes the installer of the example product examples/hello, which
# then runs under Wine: it answers its query switches, installs Hello with
# its wizard running by itself (/passive), and the demo shows what landed.
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

# A demo run before this one installed Hello into the same prefix: forget it,
# so this run installs afresh rather than removing the earlier one first.
key=$(tests/windows/wine-run.sh "$state" "$setup" -uninstallregistrykeyname | tr -d '\r')
prefix=$state/prefix
folder="$prefix/drive_c/Program Files (x86)/Slipway Examples/Hello"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$key"
rm -rf "$folder"
tests/windows/wine-run.sh "$state" reg delete "$uninstall_key" /f /reg:32 >/dev/null 2>&1 || true

echo "== hello-setup.exe /passive"
tests/windows/wine-run.sh "$state" "$setup" /passive
echo "installed in C:\\Program Files (x86)\\Slipway Examples\\Hello:"
(cd "$folder" && find . -type f | sort | sed 's|^\./|    |')
echo "registered as $uninstall_key:"
tests/windows/wine-run.sh "$state" reg query "$uninstall_key" /reg:32 | tr -d '\r' | sed -n 's/^ \{4\}/    /p'
echo
echo "To go through the wizard yourself on your own display:"
echo "    WINEPREFIX=$(cd "$prefix" && pwd) wine $setup"
