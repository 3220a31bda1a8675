#!/usr/bin/env bash
# The host's slipway and slipway.exe under Wine build the same installer, byte
# for byte, from the example product's manifest.
#   builder-same-bytes.sh STATE HOST_SLIPWAY SLIPWAY_EXE STUB MANIFEST
set -euo pipefail
state=$1 host=$2 exe=$3 stub=$4 manifest=$5
if [ ! -f "$manifest" ]; then
    echo "builder-same-bytes: $manifest is missing, so there is nothing to build" >&2
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

"$host" build "$manifest" --stub "$stub" -o "$work/host.exe"
"$(dirname "$0")/wine-run.sh" "$state" "$exe" build "$(windows_path "$manifest")" \
    --stub "$(windows_path "$stub")" -o "$(windows_path "$work/windows.exe")"
cmp "$work/host.exe" "$work/windows.exe"
echo "builder-same-bytes: both builds are $(stat -c %s "$work/host.exe") identical bytes"
