#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the demo: `slipway
# build` makes the installer of the example product examples/hello, which
# then runs under Wine: it answers its query switches, installs Hello with
# its wizard running by itself (/passive), and the demo shows what landed;
# then the registered uninstaller removes Hello again (/passive) and the
# demo shows that nothing is left.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
build=${SLIPWAY_BUILD:-build}
setup=$build/demo/hello-setup.exe
mkdir -p "$build/demo"
echo "== slipway build examples/hello/slipway.toml"
"$build/host/slipway" build examples/hello/slipway.toml -o "$setup"

. tests/windows/wine-x86.sh
if ! runs_x86_32; then
    echo "demo: this machine's kernel runs no 32-bit x86 code (IA-32 emulation is off), so Wine cannot" >&2
    echo "demo: start the 32-bit installer here; $setup is built and can be run on Windows." >&2
    exit 1
fi
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

uninstaller=$(tests/windows/wine-run.sh "$state" reg query "$uninstall_key" /v UninstallString /reg:32 |
    tr -d '\r' | sed -n 's/^ *UninstallString *REG_SZ *//p')
echo
echo "== $uninstaller /passive"
# The registered uninstaller hands over to its copy in the temporary folder
# and ends; the copy removes Hello. Wait for every process of the prefix.
tests/windows/wine-run.sh "$state" "$uninstaller" /passive
WINEPREFIX=$(cd "$prefix" && pwd) wineserver -w
if [ -e "$folder" ]; then
    echo "left in C:\\Program Files (x86)\\Slipway Examples\\Hello:"
    (cd "$folder" && find . | sort | sed 's|^\./|    |')
else
    echo "C:\\Program Files (x86)\\Slipway Examples\\Hello is gone"
fi
if tests/windows/wine-run.sh "$state" reg query "$uninstall_key" /reg:32 >/dev/null 2>&1; then
    echo "$uninstall_key is still registered"
else
    echo "$uninstall_key is gone"
fi
echo
echo "To go through the wizard yourself on your own display:"
echo "    WINEPREFIX=$(cd "$prefix" && pwd) wine $setup"
