#!/usr/bin/env bash
# Builds the standard payload with `slipway build` and with Debian's makensis
# (SetCompressor /SOLID lzma), one after the other in one run, and prints
# installer size, build time and peak memory of both, and the ratios.
#   bench/build-vs-nsis.sh [--fast] [WORK]
# WORK (default build/bench) keeps the payload, the manifest and the two
# installers. The payload and the NSIS script come from ../shared/bench (or
# $SLIPWAY_SHARED/bench).
set -euo pipefail
cd "$(dirname "$0")/.."
fast=""
if [ "${1:-}" = --fast ]; then fast=--fast; shift; fi
work=${1:-${SLIPWAY_BUILD:-build}/bench}
shared=${SLIPWAY_SHARED:-../shared}/bench
slipway=${SLIPWAY:-${SLIPWAY_BUILD:-build}/host/slipway}

need() { command -v "$1" >/dev/null 2>&1 || { echo "build-vs-nsis: '$1' is missing; run scripts/bootstrap.sh" >&2; exit 1; }; }
need makensis
[ -x /usr/bin/time ] || { echo "build-vs-nsis: /usr/bin/time is missing; run scripts/bootstrap.sh" >&2; exit 1; }
[ -x "$slipway" ] || { echo "build-vs-nsis: $slipway not found (build first)" >&2; exit 1; }
[ -x "$shared/make-payload" ] && [ -f "$shared/payload.nsi" ] || { echo "build-vs-nsis: no payload tools in $shared" >&2; exit 1; }

mkdir -p "$work"
work=$(cd "$work" && pwd)
. bench/bench-payload.sh

# measure NAME COMMAND...: runs the command under /usr/bin/time -v and
# leaves the wall-clock seconds, the processor seconds (user and system) and
# the peak resident kilobytes in NAME_seconds, NAME_cpu, NAME_kb.
measure() {
    local name=$1
    shift
    local log=$work/$name.time
    /usr/bin/time -v -o "$log" "$@" >"$work/$name.log" 2>&1 || { cat "$work/$name.log" >&2; exit 1; }
    local wall kb
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log")
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    printf -v "${name}_cpu" '%s' "$(awk -F': ' '/User time|System time/ {s += $2} END {printf "%.2f", s}' "$log")"
    # h:mm:ss or m:ss.ss into seconds
    printf -v "${name}_seconds" '%s' "$(echo "$wall" | awk -F: '{s=0; for (i=1;i<=NF;i++) s=s*60+$i; printf "%.2f", s}')"
    printf -v "${name}_kb" '%s' "$kb"
}

rm -f "$work/slipway-setup.exe" "$work/nsis-setup.exe"
measure slipway "$slipway" build "$work/slipway.toml" -o "$work/slipway-setup.exe" $fast
measure nsis makensis -V2 "-DPAYLOAD=$payload" "-DOUT=$work/nsis-setup.exe" "$(cd "$shared" && pwd)/payload.nsi"
slipway_size=$(stat -c %s "$work/slipway-setup.exe")
nsis_size=$(stat -c %s "$work/nsis-setup.exe")

echo "payload: $files files, $bytes bytes ($payload)"
printf '%-10s %14s %10s %10s %12s\n' "" "size (bytes)" "time (s)" "cpu (s)" "peak (MiB)"
printf '%-10s %14s %10s %10s %12s\n' "slipway${fast:+ $fast}" "$slipway_size" "$slipway_seconds" "$slipway_cpu" "$((slipway_kb / 1024))"
printf '%-10s %14s %10s %10s %12s\n' makensis "$nsis_size" "$nsis_seconds" "$nsis_cpu" "$((nsis_kb / 1024))"
awk -v ss="$slipway_size" -v ns="$nsis_size" -v st="$slipway_seconds" -v nt="$nsis_seconds" \
    -v sc="$slipway_cpu" -v nc="$nsis_cpu" 'BEGIN {
    printf "slipway / makensis: size %.3f, time %.2f, cpu %.2f\n", ss / ns, (nt > 0 ? st / nt : 0), (nc > 0 ? sc / nc : 0)
}'
