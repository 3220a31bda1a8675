#!/usr/bin/env bash
# Fails when the stub imports a library statically that is not on Windows'
# known-library list: the loader would look for it beside the installer
# (a user's Downloads folder) before the stub's first instruction runs.
#   check-known-libraries.sh STUB KNOWN
set -euo pipefail
stub=$1 known=$2
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
imported=$("$objdump" -p "$stub" | awk '/DLL Name:/ { print tolower($3) }' | sort -u)
[ -n "$imported" ] || { echo "check-known-libraries: no imports found in $stub" >&2; exit 1; }
allowed=$(sed -e 's/#.*//' -e '/^\s*$/d' "$known" | tr 'A-Z' 'a-z' | tr -d ' \t' | sort -u)
unknown=$(comm -23 <(echo "$imported") <(echo "$allowed"))
echo "$imported" | sed 's/^/imports: /'
if [ -n "$unknown" ]; then
    echo "check-known-libraries: the stub imports libraries that are not known libraries of Windows;" >&2
    echo "load them at run time from the system folder instead:" >&2
    echo "$unknown" >&2
    exit 1
fi
echo "check-known-libraries: $(echo "$imported" | wc -l) libraries, all known to Windows"
