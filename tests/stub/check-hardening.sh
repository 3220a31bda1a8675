#!/usr/bin/env bash
# The stub runs with administrator rights: its image must take ASLR (a
# relocatable image with the dynamic-base flag and its relocations) and DEP.
#   check-hardening.sh STUB
set -euo pipefail
stub=$1
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
headers=$("$objdump" -p -h "$stub")
fail=0
for flag in DYNAMIC_BASE NX_COMPAT; do
    grep -qw "$flag" <<<"$headers" || { echo "check-hardening: $stub lacks $flag" >&2; fail=1; }
done
grep -q ' \.reloc ' <<<"$headers" || { echo "check-hardening: $stub has no relocations, so it cannot move" >&2; fail=1; }
grep -qw RELOCS_STRIPPED <<<"$headers" && { echo "check-hardening: $stub says its relocations are stripped" >&2; fail=1; }
[ "$fail" = 0 ] && echo "check-hardening: ASLR and DEP on"
exit "$fail"
