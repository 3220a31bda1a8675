#!/usr/bin/env bash
# Runs a Windows program of the tests in the session that wine-session.sh
# started: its prefix and its Xvfb display.
#   wine-run.sh STATE PROGRAM.exe [ARGS...]
set -euo pipefail
state=${1:?usage: wine-run.sh STATE PROGRAM [ARGS...]}
shift
[ -d "$state" ] && state=$(cd "$state" && pwd)  # Wine takes only an absolute prefix
command -v wine >/dev/null 2>&1 || { echo "wine-run: wine is missing; run scripts/bootstrap.sh" >&2; exit 1; }
# shellcheck source=tests/windows/wine-x86.sh
. "$(dirname "$0")/wine-x86.sh"
require_x86_32
if [ ! -f "$state/xvfb.pid" ] || ! kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
    echo "wine-run: no Xvfb display is running for $state (start it with wine-session.sh start)" >&2
    exit 1
fi
export WINEPREFIX=$state/prefix
DISPLAY=$(cat "$state/display")
export DISPLAY
export WINEDEBUG=${WINEDEBUG:--all}
# A test may add load orders of its own (SLIPWAY_EXTRA_DLLOVERRIDES="name=n,b").
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${SLIPWAY_EXTRA_DLLOVERRIDES:+;$SLIPWAY_EXTRA_DLLOVERRIDES}"
# Screenshots and other test output go beside the build.
export SLIPWAY_TEST_OUTPUT=${SLIPWAY_TEST_OUTPUT:-$state/output}
mkdir -p "$SLIPWAY_TEST_OUTPUT"
exec wine "$@"
