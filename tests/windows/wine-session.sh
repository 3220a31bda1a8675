#!/usr/bin/env bash
# Starts or stops the Wine session of the Windows-side tests: an Xvfb display
# and a 64-bit Wine prefix kept in STATE (created once, reused afterwards).
#   wine-session.sh start|stop STATE
set -euo pipefail
action=${1:?usage: wine-session.sh start|stop STATE}
state=${2:?usage: wine-session.sh start|stop STATE}
# Wine takes only an absolute prefix.
mkdir -p "$state"
state=$(cd "$state" && pwd)
prefix=$state/prefix
export WINEDEBUG=-all
# No Mono or Gecko download offers, no host menu entries for shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# shellcheck source=tests/windows/wine-x86.sh
. "$(dirname "$0")/wine-x86.sh"

need() {
    command -v "$1" >/dev/null 2>&1 || { echo "wine-session: '$1' is missing; run scripts/bootstrap.sh" >&2; exit 1; }
}

xvfb_alive() {
    [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

start_display() {
    if xvfb_alive; then return 0; fi
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    echo ":$n" >"$state/display"
    # Ten seconds, stretched like every time limit of this side.
    for _ in $(seq $((100 * ${SLIPWAY_WINE_TIME_SCALE:-1}))); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        xvfb_alive || break
        sleep 0.1
    done
    echo "wine-session: Xvfb did not start on :$n" >&2
    cat "$state/xvfb.log" >&2
    exit 1
}

start_prefix() {
    export WINEPREFIX=$prefix DISPLAY
    DISPLAY=$(cat "$state/display")
    if [ ! -f "$prefix/system.reg" ]; then
        WINEARCH=win64 wineboot -i >"$state/wineboot.log" 2>&1 || { cat "$state/wineboot.log" >&2; exit 1; }
    fi
    if [ ! -f "$prefix/.slipway-settings-4" ]; then
        # Xvfb has no window manager: Wine draws captions and frames itself,
        # so screenshots show whole windows.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
        wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
        # The classic look, as on a Windows without visual styles: Wine's own
        # light theme would otherwise draw every window.
        wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ /d 0 /f >/dev/null 2>&1
        # Links take the hot-tracking colour, which Wine's own scheme sets
        # to a light grey that hardly shows on a page: Windows' blue.
        wine reg add 'HKCU\Control Panel\Colors' /v HotTrackingColor /t REG_SZ /d '0 102 204' /f >/dev/null 2>&1
        # Debian's Wine looks for its own fonts (Tahoma, Marlett for the
        # caption buttons, Wingdings) only where fontconfig looks, not in the
        # folder fonts-wine installs them to: name that folder.
        if [ -d /usr/share/wine/fonts ]; then
            wine reg add 'HKCU\Software\Wine\Fonts' /v Path /t REG_SZ /d 'Z:\usr\share\wine\fonts' /f >/dev/null 2>&1
        fi
        touch "$prefix/.slipway-settings-4"
    fi
    wineserver -w
}

# Several test runs may share one session (two ctest runs in one build):
# each start counts itself in, and only the last stop ends the session.
count_users() {
    local delta=$1 n
    exec 9>"$state/users.lock"
    flock 9
    n=$(cat "$state/users" 2>/dev/null || echo 0)
    n=$((n + delta))
    [ "$n" -lt 0 ] && n=0
    echo "$n" >"$state/users"
    flock -u 9
    echo "$n"
}

case $action in
start)
    need wine
    need Xvfb
    need wineserver
    require_x86_32
    mkdir -p "$state"
    if ! xvfb_alive; then echo 0 >"$state/users"; fi
    start_display
    start_prefix
    count_users 1 >/dev/null
    echo "wine session: prefix $prefix, display $(cat "$state/display")"
    ;;
stop)
    mkdir -p "$state"
    if [ "$(count_users -1)" -gt 0 ]; then
        echo "wine session: still in use by another run"
        exit 0
    fi
    if [ -d "$prefix" ] && command -v wineserver >/dev/null; then
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    fi
    if xvfb_alive; then kill "$(cat "$state/xvfb.pid")" || true; fi
    rm -f "$state/xvfb.pid"
    ;;
*)
    echo "usage: wine-session.sh start|stop STATE" >&2
    exit 2
    ;;
esac
