#!/usr/bin/env bash
# Runs the whole Windows-side suite under qemu-user emulation, unattended,
# from a fresh build, for a machine whose kernel runs no 32-bit code (where
# ctest skips that side). Needs root (it registers the emulator for i386
# programs while it runs and removes it at the end) and about three quarters of an hour on
# two cores.
#   run-suite.sh [--reuse] [BUILD_DIR]     default build-emulated, beside build/
# --reuse runs the tests of BUILD_DIR as it was built before (by this
# script), without a fresh build.
# Every time limit of the tests is stretched ten times
# (SLIPWAY_WINE_TIME_SCALE). The last lines say how many tests passed and
# failed and name the failures; the whole ctest output is in
# BUILD_DIR/windows-suite.log. Exits 0 only when every test passed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
reuse=
if [ "${1:-}" = --reuse ]; then reuse=1; shift; fi
build=${1:-$top/build-emulated}
cache=${SLIPWAY_CACHE:-/var/cache/slipway}
scale=${SLIPWAY_WINE_TIME_SCALE:-10}
[ "$(id -u)" = 0 ] || { echo "run-suite: run as root: it registers the emulator with binfmt_misc" >&2; exit 2; }

"$top/scripts/bootstrap.sh"
"$here/emulated-i386.sh" build "$cache/qemu-10"
if [ -z "$reuse" ]; then
    rm -rf "$build"
    cmake -S "$top" -B "$build" -G Ninja -DSLIPWAY_FUZZ=OFF -DSLIPWAY_WINE_TIME_SCALE="$scale" >/dev/null
    cmake --build "$build"
fi

"$here/emulated-i386.sh" on "$cache/qemu-10"
trap '"$here/emulated-i386.sh" off' EXIT
log=$build/windows-suite.log
set +e
SLIPWAY_WINE_EMULATED=1 ctest --test-dir "$build" -R '^windows\.' --output-on-failure 2>&1 | tee "$log"
set -e

# ctest's own result lines: "  1/40 Test  #3: windows.x ....   Passed  1.2 sec"
passed=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: windows\..* Passed' "$log" || true)
failed_names=$(grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: windows\.' "$log" |
    grep -vE ' Passed | Skipped ' | sed -E 's/.*: (windows\.[^ ]+).*/\1/' || true)
failed=$(printf '%s' "$failed_names" | grep -c . || true)
echo
echo "Windows side under emulation (time limits x$scale): $passed passed, $failed failed"
[ -z "$failed_names" ] || printf '  failed: %s\n' $failed_names
[ "$failed" = 0 ] && [ "$passed" -gt 0 ]
