#!/usr/bin/env bash
# The stub's image has no .data section: its writable state starts out zero
# (.bss, which takes no room in the file) and its constants are read-only.
# Initialised writable data, even 16 bytes of it, costs a 512-byte section of
# the file; at -Oz the compiler puts there the constant a brace-initialised
# local structure is copied from, so such locals are set member by member.
#   check-sections.sh STUB
set -euo pipefail
stub=$1
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
sections=$("$objdump" -h "$stub" | awk '$1 ~ /^[0-9]+$/ {print $2}')
if grep -qx '\.data' <<<"$sections"; then
    echo "check-sections: $stub has a .data section:" >&2
    "$objdump" -s -j .data "$stub" >&2
    exit 1
fi
echo "check-sections: no .data section (sections: $(tr '\n' ' ' <<<"$sections"))"
