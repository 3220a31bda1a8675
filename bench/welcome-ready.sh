#!/usr/bin/env bash
# Times the wizard from its window appearing until the welcome page's Next
# button is enabled (the package read far enough to go on), for the
# standard payload and the large one, in a Wine prefix and on an Xvfb
# display of the benchmark's own. Prints each round, the median and whether
# it is within 0.5 s.
#   bench/welcome-ready.sh [--rounds N] [--payload standard,large] [--large]
#                          [--large-mib N] [WORK]
# --payload and --large-mib (or SLIPWAY_BENCH_LARGE_MIB, 1024 by default)
# as in bench/install-vs-nsis.sh, whose WORK (default build/bench) this
# shares: the payloads and slipway-setup.exe are made there when missing.
# --large is --payload standard,large; the default is both.
#
# The probe, welcome_ready_probe.exe (bench/welcome_ready_probe.cpp), comes
# from the Windows-side build (build/wintests) or is compiled into WORK with
# the same MinGW compiler. It starts the installer, finds the first visible
# window of its process that has the frame's Next button, polls that button
# every millisecond, then cancels the wizard (or ends it).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=3
payloads=standard,large
. bench/payload-options.sh
while [ $# -gt 0 ]; do
    payload_option "$@"
    if [ "$taken" -gt 0 ]; then
        shift "$taken"
        continue
    fi
    case $1 in
    --rounds) rounds=${2:?--rounds needs a number}; shift 2 ;;
    -*) echo "welcome-ready: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done
check_payloads welcome-ready
build_dir=${SLIPWAY_BUILD:-build}
work=${1:-$build_dir/bench}
shared=${SLIPWAY_SHARED:-../shared}/bench
slipway=${SLIPWAY:-$build_dir/host/slipway}

need() { command -v "$1" >/dev/null 2>&1 || { echo "welcome-ready: '$1' is missing; run scripts/bootstrap.sh" >&2; exit 1; }; }
need wine
need wineserver
need Xvfb
need python3
. tests/windows/wine-x86.sh
runs_x86_32 || { echo "welcome-ready: this machine's kernel runs no 32-bit x86 code, so the 32-bit installer cannot run under Wine here" >&2; exit 1; }
[ -x "$slipway" ] || { echo "welcome-ready: $slipway not found (build first)" >&2; exit 1; }
[ -x "$shared/make-payload" ] || { echo "welcome-ready: no payload tools in $shared" >&2; exit 1; }

mkdir -p "$work"
work=$(cd "$work" && pwd)
. bench/bench-payload.sh
large_dir=$work/large-$large_mib

probe=$build_dir/wintests/welcome_ready_probe.exe
if [ ! -f "$probe" ]; then
    probe=$work/welcome_ready_probe.exe
    if [ ! -f "$probe" ] || [ bench/welcome_ready_probe.cpp -nt "$probe" ]; then
        need i686-w64-mingw32-g++-posix
        i686-w64-mingw32-g++-posix -O2 -static -o "$probe" bench/welcome_ready_probe.cpp -luser32 -lwinmm
    fi
fi

. bench/bench-wine.sh
time_scale=1
[ "${SLIPWAY_WINE_EMULATED:-}" = 1 ] && time_scale=10
wine "$(winepath -w "$probe")" >/dev/null 2>&1 || true

printf '%-10s %6s %12s %14s %14s\n' payload round "window (ms)" "Next on (ms)" "wait (ms)"
summary=$work/welcome-ready.results
: >"$summary"
for name in ${payloads//,/ }; do
    dir=$work
    if [ "$name" = large ]; then
        dir=$large_dir
        mkdir -p "$dir"
        bench/make-large-payload.sh "$dir/payload" "$large_mib" >/dev/null
        cp "$work/slipway.toml" "$dir/slipway.toml"
    fi
    setup=$dir/slipway-setup.exe
    if [ ! -f "$setup" ] || [ "$slipway" -nt "$setup" ]; then
        if ! "$slipway" build "$dir/slipway.toml" -o "$setup" >"$dir/slipway-build.log" 2>&1; then
            rm -f "$setup"
            printf '%-10s slipway build REFUSED this payload: %s\n' "$name" \
                "$(grep -v '^\s*$' "$dir/slipway-build.log" | tail -n 3 | tr '\n' ' ')"
            echo "$name refused" >>"$summary"
            continue
        fi
    fi
    cat "$setup" >/dev/null
    for round in $(seq "$rounds"); do
        out=$(wine "$(winepath -w "$probe")" --timeout-ms $((60000 * time_scale)) "$(winepath -w "$setup")" 2>"$work/welcome-ready.err" | tr -d '\r') || true
        window=$(sed -n 's/^window_ms=//p' <<<"$out")
        ready=$(sed -n 's/^next_enabled_ms=//p' <<<"$out")
        wait=$(sed -n 's/^ready_after_window_ms=//p' <<<"$out")
        if [ -z "$wait" ]; then
            printf '%-10s %6s %s\n' "$name" "$round" "no figure: $(tr '\n' ' ' <"$work/welcome-ready.err")"
            continue
        fi
        printf '%-10s %6s %12s %14s %14s\n' "$name" "$round" "$window" "$ready" "$wait"
        echo "$name $wait" >>"$summary"
    done
    wineserver -w
done
python3 - "$summary" "${SLIPWAY_WINE_EMULATED:-}" <<'PYTHON'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1]) if line.strip()]
for name in dict.fromkeys(r[0] for r in rows):
    waits = [float(r[1]) for r in rows if r[0] == name and r[1] != "refused"]
    if not waits:
        print(f"{name}: no figure (refused or no round ended)")
        continue
    m = statistics.median(waits)
    print(f"{name}: median wait for Next {m:.0f} ms; goal <= 500 ms: {'holds' if m <= 500 else 'MISSED'}")
if sys.argv[2] == "1":
    print("(under qemu emulation: these times are many times the native ones)")
PYTHON
