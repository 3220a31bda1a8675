#!/usr/bin/env bash
# Lists the functions the stub imports and fails on any that is not in the
# list of allowed imports (each line: DLL FUNCTION, '#' starts a comment).
#   check-imports.sh STUB ALLOWED
set -euo pipefail
stub=$1 allowed=$2
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
actual=$("$objdump" -p "$stub" | awk '
    /DLL Name:/ { dll = tolower($3); next }
    dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3; next }
    dll != "" && NF == 0 { dll = "" }' | sort -u)
[ -n "$actual" ] || { echo "check-imports: no imports found in $stub" >&2; exit 1; }
expected=$(sed -e 's/#.*//' -e '/^\s*$/d' "$allowed" | awk '{ print tolower($1), $2 }' | sort -u)
unexpected=$(comm -23 <(echo "$actual") <(echo "$expected"))
echo "$actual" | awk '{ print "import:", $0 }'
if [ -n "$unexpected" ]; then
    echo "check-imports: the stub imports functions that are not allowed:" >&2
    echo "$unexpected" >&2
    exit 1
fi
echo "check-imports: $(echo "$actual" | wc -l) imports, all allowed"
