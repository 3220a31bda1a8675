#!/usr/bin/env bash
# A signed installer installs and its signature verifies; the uninstaller it
# writes carries no signature of its own (its header names no certificate
# table and its checksum is right), so it verifies as unsigned rather than
# as a broken signature, and `slipway inspect` calls it unsigned. Run from a
# folder whose name the ANSI code page cannot hold, and from a path longer
# than 260 characters, the signed installer still refuses to install
# another package with -ip, and still installs its own.
#   signed-installer.sh STATE INSTALLER UNINSTALL_KEY HOST_SLIPWAY OTHER_INSTALLER OTHER_KEY
set -euo pipefail
state=$1 installer=$2 key=$3 slipway=$4 other=$5 other_key=$6
# Unix file names in UTF-8; Windows' ANSI code page stays the Western one.
export LANG=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/windows/wine-x86.sh
. "$here/wine-x86.sh"
require_x86_32
fail() { echo "signed-installer: $*" >&2; exit 1; }
for tool in openssl osslsigncode; do
    command -v $tool >/dev/null 2>&1 || fail "$tool is missing; run scripts/bootstrap.sh"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wine_run() { "$here/wine-run.sh" "$state" "$@"; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Slipway Test Signer' \
    -keyout "$work/key.pem" -out "$work/cert.pem" >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log"; exit 1; }
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -in "$installer" -out "$work/setup.exe" >/dev/null
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/setup.exe" >"$work/verify-installer.log" 2>&1 ||
    { cat "$work/verify-installer.log"; fail "the signed installer does not verify"; }
# Through a file: grep -q leaves a pipe at its first match, and with
# pipefail the writer's broken pipe would fail a good run on a busy machine.
"$slipway" inspect "$work/setup.exe" >"$work/inspect-installer.log" ||
    { cat "$work/inspect-installer.log"; fail "inspect cannot read the signed installer"; }
grep -q '^  signed: yes' "$work/inspect-installer.log" || fail "inspect does not see the installer's signature"

wine_run "$work/setup.exe" /quiet || fail "the signed installer failed with $?"
uninstaller=$(wine_run reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$key" \
    /v UninstallString /reg:32 | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ -n "$uninstaller" ] || fail "the signed installer registered no uninstaller under $key"
cp "$(wine_run winepath -u "$uninstaller" | tr -d '\r')" "$work/uninstall.exe"
echo "signed-installer: the signed installer installed and registered $uninstaller"

# Still signed after running: the installer checks its own file, not a copy.
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/setup.exe" >/dev/null 2>&1 ||
    fail "the installer no longer verifies after it ran"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/uninstall.exe" >"$work/verify-uninstaller.log" 2>&1 || true
grep -q 'No signature found' "$work/verify-uninstaller.log" ||
    { cat "$work/verify-uninstaller.log"; fail "the uninstaller does not verify as unsigned"; }
"$slipway" inspect "$work/uninstall.exe" >"$work/inspect.log" || { cat "$work/inspect.log"; fail "inspect cannot read the uninstaller"; }
grep -q '^  signed: no' "$work/inspect.log" || { cat "$work/inspect.log"; fail "inspect calls the uninstaller signed"; }
grep -q '^package: "uninstall"' "$work/inspect.log" || fail "the uninstaller holds no uninstall package"
echo "signed-installer: the uninstaller carries no signature and reads as an unsigned uninstaller"

# Removed again, so the next test finds the prefix as it was.
wine_run "$uninstaller" /quiet || fail "the uninstaller failed with $?"

registered() {
    wine_run reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /reg:32 >/dev/null 2>&1
}
home=$(wine_run winepath -u 'C:\users\Public' | tr -d '\r')
home=${home%/}
cp "$other" "$home/other.exe"
long=$home/signed-long
while [ ${#long} -lt $((${#home} + 250)) ]; do long=$long/0123456789; done
folders=("$home/Загрузки" "$long")
cleanup_folders() { rm -rf "$home/Загрузки" "$home/signed-long" "$home/other.exe"; }
trap 'rm -rf "$work"; cleanup_folders' EXIT
for folder in "${folders[@]}"; do
    mkdir -p "$folder"
    cp "$work/setup.exe" "$folder/setup.exe"
    windows=$(wine_run winepath -w "$folder/setup.exe" | tr -d '\r')
    what="from $windows (${#windows} characters)"
    # Wine hands the exit code on as a Unix status: its low eight bits, so
    # 1620 (the damaged-package code) reads as 84.
    status=0
    wine_run "$folder/setup.exe" /quiet -ip 'C:\users\Public\other.exe' || status=$?
    [ "$status" = $((1620 % 256)) ] || fail "the signed installer $what ended -ip with $status, not 1620 (84)"
    ! registered "$other_key" || fail "the signed installer $what installed another package with -ip"
    status=0
    wine_run "$folder/setup.exe" /quiet || status=$?
    [ "$status" = 0 ] || fail "the signed installer $what ended with $status installing its own package"
    registered "$key" || fail "the signed installer $what did not install its own package"
    wine_run "$uninstaller" /quiet || fail "the uninstaller failed with $?"
    echo "signed-installer: $what it refused -ip (1620) and installed its own package"
done
