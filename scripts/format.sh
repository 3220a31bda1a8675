#!/usr/bin/env bash
# Formats every C++ source of the stub, the builder and the tests with the
# tree's .clang-format. With --check, changes nothing and lists the files
# that differ (exit 1 when there are any).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null 2>&1 || { echo "format: clang-format is missing; run scripts/bootstrap.sh" >&2; exit 1; }
mapfile -t files < <(git ls-files -- 'format/*' 'platform/*' 'linkstatic/*' 'engine/*' 'state/*' 'uninstall/*' 'threads/*' \
    'wizard/*' 'startup/*' 'resources/*.h' \
    'builder/*' 'tests/*' 'bench/*' | grep -E '\.(cpp|h)$' | grep -v '/corpus/')
if [ "${1:-}" = --check ]; then
    differ=0
    for file in "${files[@]}"; do
        if ! clang-format "$file" | cmp -s - "$file"; then
            echo "$file"
            differ=1
        fi
    done
    exit $differ
fi
clang-format -i "${files[@]}"
