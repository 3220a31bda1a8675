#!/usr/bin/env bash
# A library planted beside the installer (a user's Downloads folder) or in
# the temporary folder (where the uninstaller's copy runs) is never loaded
# into either, even with the native-first load order that Windows uses for
# libraries outside its known list.
#   planted-library.sh STATE INSTALLER UNINSTALL_KEY UNGUARDED_LOADER LIBRARY
# INSTALLER is a test installer whose product registers UNINSTALL_KEY;
# UNGUARDED_LOADER (tests/windows/fixtures) loads what the installer loads,
# without guarding the search, to show the plant is seen at all; LIBRARY is
# any 32-bit library, copied under the planted names.
set -euo pipefail
state=$1 installer=$2 key=$3 loader=$4 library=$5
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/windows/wine-x86.sh
. "$here/wine-x86.sh"
require_x86_32
# Loaded after start-up begins: by the rich edit library and the window
# code. (Libraries that Wine's own user32 pulls in before the program's entry
# point are left out: on Windows those come from the known-library list.)
planted=(usp10 oleaut32 uxtheme)
# In the temporary folder also the names that Wine's own start-up and system
# libraries load from a program's folder: a copy started there loaded them.
temp_planted=(usp10 oleaut32 uxtheme version imm32 msimg32)
overrides="$(IFS=,; echo "${temp_planted[*]}")=n,b"

work=$(mktemp -d)
temp_plants=
cleanup() {
    rm -rf "$work"
    [ -n "$temp_plants" ] && for name in "${temp_planted[@]}"; do rm -f "$temp_plants/$name.dll"; done
    return 0
}
trap cleanup EXIT

# plant_into FOLDER NAME...
plant_into() {
    local folder=$1
    shift
    for name in "$@"; do cp "$library" "$folder/$name.dll"; done
}

# Runs a program with the planted names native first and every library load
# traced; the trace goes to $work/$1.log.
traced_run() {
    local log=$work/$1.log
    shift
    WINEDEBUG=+loaddll SLIPWAY_EXTRA_DLLOVERRIDES=$overrides "$here/wine-run.sh" "$state" "$@" >"$log" 2>&1 || true
}

# Lines of a trace that loaded a library from FOLDER (a Unix path).
loads_from() {
    local folder
    folder=$("$here/wine-run.sh" "$state" winepath -w "$1" 2>/dev/null | tr -d '\r')
    folder=${folder//\\/\\\\}
    grep -F "Loaded L\"$folder\\\\" "$2" | grep -iE '\\(usp10|oleaut32|uxtheme|version|imm32|msimg32)\.dll"' || true
}

fail() { echo "planted-library: $*" >&2; exit 1; }

plant_into "$work" "${planted[@]}"
cp "$loader" "$work/loader.exe"
cp "$installer" "$work/setup.exe"

traced_run loader "$work/loader.exe"
[ -n "$(loads_from "$work" "$work/loader.log")" ] ||
    fail "the unguarded loader did not load the planted libraries, so this Wine cannot show the guard"

traced_run install "$work/setup.exe" /quiet
grep -qi 'system32\\\\riched20.dll' "$work/install.log" ||
    fail "the installer never reached the point where it loads its libraries"
found=$(loads_from "$work" "$work/install.log")
[ -z "$found" ] || fail "the installer loaded a library planted beside it: $found"
echo "planted-library: the installer loaded none of ${planted[*]} planted beside it"

uninstaller=$("$here/wine-run.sh" "$state" reg query \
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$key" /v UninstallString /reg:32 |
    tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ -n "$uninstaller" ] || fail "the installation registered no uninstaller under $key"
temp=$("$here/wine-run.sh" "$state" cmd /c echo %TEMP% | tr -d '\r')
temp_plants=$("$here/wine-run.sh" "$state" winepath -u "$temp" | tr -d '\r')
temp_plants=${temp_plants%/}
plant_into "$temp_plants" "${temp_planted[@]}"
# The exit code goes through the trace's file: traced_run keeps none.
status=0
WINEDEBUG=+loaddll SLIPWAY_EXTRA_DLLOVERRIDES=$overrides "$here/wine-run.sh" "$state" "$uninstaller" /quiet \
    >"$work/uninstall.log" 2>&1 || status=$?
# The copy runs from a folder of its own in the temporary folder.
grep -qiE 'Temp\\\\uni[0-9a-f]*\.tmp\\\\uni[0-9a-f]*\.tmp"' "$work/uninstall.log" ||
    fail "the uninstaller started no temporary copy in a folder of its own"
found=$(loads_from "$temp_plants" "$work/uninstall.log")
[ -z "$found" ] || fail "the uninstaller's temporary copy loaded a library planted in $temp: $found"
[ "$status" = 0 ] || fail "the uninstaller ended with $status"
! "$here/wine-run.sh" "$state" reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$key" \
    /reg:32 >/dev/null 2>&1 || fail "the product is still installed"
echo "planted-library: the uninstaller's temporary copy loaded none of ${temp_planted[*]} from $temp and removed the product"
