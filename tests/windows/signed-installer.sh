#!/usr/bin/env bash
# A signed installer installs and its signature verifies; the uninstaller it
# writes carries no signature of its own (its header names no certificate
# table and its checksum is right), so it verifies as unsigned rather than
# as a broken signature, and `slipway inspect` calls it unsigned.
#   signed-installer.sh STATE INSTALLER UNINSTALL_KEY HOST_SLIPWAY
set -euo pipefail
state=$1 installer=$2 key=$3 slipway=$4
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
