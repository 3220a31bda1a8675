#!/usr/bin/env bash
# Prints the stub image's size in bytes. With --limit N, fails when the image
# is N bytes or larger.
#   bench/stub-size.sh [--limit N] [STUB]
set -euo pipefail
limit=""
if [ "${1:-}" = --limit ]; then limit=$2; shift 2; fi
stub=${1:-build/stub/slipway-stub.exe}
[ -f "$stub" ] || { echo "stub-size: $stub not found (build first)" >&2; exit 1; }
size=$(stat -c %s "$stub")
echo "stub image: $size bytes ($stub)"
if [ -n "$limit" ] && [ "$size" -ge "$limit" ]; then
    echo "stub-size: $size bytes is not below the limit of $limit" >&2
    exit 1
fi
