#!/usr/bin/env bash
# Installs and uninstalls the standard payload silently under Wine with the
# installer `slipway build` makes and with the one Debian's makensis makes,
# side by side in one run, in a Wine prefix and on an Xvfb display of the
# benchmark's own. Prints wall time and peak memory of both and the ratios.
#   bench/install-vs-nsis.sh [--fast] [--rounds N] [WORK]
# WORK (default build/bench, shared with build-vs-nsis.sh) keeps the payload,
# the two installers (built when missing) and the prefix. The payload and the
# NSIS script come from ../shared/bench (or $SLIPWAY_SHARED/bench).
#
# What is measured, the same way for both: the Windows processes of a run,
# found by their command line among the processes of this prefix (a Wine
# process is a Linux process), from the start of `wine` until the last of
# them has ended (an uninstaller's temporary copy included); their peak
# resident memory is the largest VmHWM seen while polling /proc every 10 ms,
# the Windows process's own high-water mark.
set -euo pipefail
cd "$(dirname "$0")/.."
fast=""
rounds=3
while [ $# -gt 0 ]; do
    case $1 in
    --fast) fast=--fast; shift ;;
    --rounds) rounds=${2:?--rounds needs a number}; shift 2 ;;
    *) break ;;
    esac
done
work=${1:-${SLIPWAY_BUILD:-build}/bench}
shared=${SLIPWAY_SHARED:-../shared}/bench
slipway=${SLIPWAY:-${SLIPWAY_BUILD:-build}/host/slipway}

need() { command -v "$1" >/dev/null 2>&1 || { echo "install-vs-nsis: '$1' is missing; run scripts/bootstrap.sh" >&2; exit 1; }; }
need makensis
need wine
need wineserver
need Xvfb
need python3
. tests/windows/wine-x86.sh
runs_x86_32 || { echo "install-vs-nsis: this machine's kernel runs no 32-bit x86 code, so neither 32-bit installer can run under Wine here" >&2; exit 1; }
[ -x "$slipway" ] || { echo "install-vs-nsis: $slipway not found (build first)" >&2; exit 1; }
[ -x "$shared/make-payload" ] && [ -f "$shared/payload.nsi" ] || { echo "install-vs-nsis: no payload tools in $shared" >&2; exit 1; }

mkdir -p "$work"
work=$(cd "$work" && pwd)
. bench/bench-payload.sh

# ------------------------------------------------------------------ installers

slipway_setup=$work/slipway-setup.exe
nsis_setup=$work/nsis-setup.exe
if [ ! -f "$slipway_setup" ] || [ "$slipway" -nt "$slipway_setup" ]; then
    echo "building $slipway_setup"
    "$slipway" build "$work/slipway.toml" -o "$slipway_setup" $fast >/dev/null
fi
if [ ! -f "$nsis_setup" ]; then
    echo "building $nsis_setup"
    makensis -V2 "-DPAYLOAD=$payload" "-DOUT=$nsis_setup" "$(cd "$shared" && pwd)/payload.nsi" >/dev/null
fi
# The decoded action block, which the stub holds twice at its peak.
block1=$("$slipway" inspect "$slipway_setup" | awk '/content: "actionScript"/ {found = 1} found && /usize:/ && !size {size = $2} END {print size}')

# ------------------------------------------------------------------ display and prefix

export WINEPREFIX=$work/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
setsid Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=:$display
cleanup() {
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the prefix $WINEPREFIX"
    WINEARCH=win64 wineboot -i >"$work/wineboot.log" 2>&1
fi
# Xvfb has no window manager, and Wine waits two seconds for one whenever a
# managed window goes away: a cost of this test bed that Slipway's (minimised)
# wizard frame would pay and the windowless NSIS run would not. Unmanaged
# windows do not wait.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w

# Both installers are 32-bit programs.
unix_program_files="$WINEPREFIX/drive_c/Program Files (x86)"
slipway_folder=$unix_program_files/SlipwayBench
nsis_folder=$unix_program_files/SlipwayBenchNsis
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

forget_installations() {
    rm -rf "$slipway_folder" "$nsis_folder"
    wine reg delete "$uninstall_key\\Slipway Bench" /f /reg:32 >/dev/null 2>&1 || true
    wine reg delete "$uninstall_key\\SlipwayBenchNsis" /f /reg:32 >/dev/null 2>&1 || true
}

# measure NAME PATTERN TIMEOUT COMMAND...: runs the command; prints "SECONDS
# PEAK_KIB ENDED" for the processes of this prefix whose command line matches
# PATTERN (a regular expression), measured until the last has ended; ENDED is
# 0 when the timeout ended them.
measure() {
    python3 - "$WINEPREFIX" "$@" <<'PYTHON'
import os, re, subprocess, sys, time
prefix, pattern, timeout, command = sys.argv[1], re.compile(sys.argv[2], re.I), float(sys.argv[3]), sys.argv[4:]
marker = ("WINEPREFIX=" + prefix).encode()

def ours():
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit() or int(pid) == os.getpid():
            continue
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if marker not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if pattern.search(cmdline):
            found.append(pid)
    return found

def hwm(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0

start = time.monotonic()
child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
peak, ended = 0, 1
while True:
    pids = ours()
    for pid in pids:
        peak = max(peak, hwm(pid))
    if child.poll() is not None and not pids:
        break
    if time.monotonic() - start > timeout:
        ended = 0
        for pid in pids:
            try:
                os.kill(int(pid), 9)
            except OSError:
                pass
        child.kill()
        child.wait()
        break
    time.sleep(0.01)
print(f"{time.monotonic() - start:.2f} {peak} {ended}")
PYTHON
}

# Warm: the installers in the page cache, the prefix's services running and
# Wine's 32-bit libraries loaded once.
cat "$slipway_setup" "$nsis_setup" >/dev/null
wine "$slipway_setup" -installerinfo >/dev/null 2>&1 || true
forget_installations
# The same installer with a one-file payload, installed the same way: the
# part of the peak that is Wine's and the wizard's, not the payload's.
tiny=$work/tiny
mkdir -p "$tiny/payload"
echo "one small file" >"$tiny/payload/readme.txt"
sed -e 's/^name = .*/name = "Slipway Bench Tiny"/' -e 's/^folder = .*/folder = "SlipwayBenchTiny"/' \
    "$work/slipway.toml" >"$tiny/slipway.toml"
"$slipway" build "$tiny/slipway.toml" -o "$tiny/setup.exe" >/dev/null
read -r _ baseline_peak _ < <(measure 'tiny.setup\.exe' 60 wine "$tiny/setup.exe" /quiet)
rm -rf "$unix_program_files/SlipwayBenchTiny"
wine reg delete "$uninstall_key\\Slipway Bench Tiny" /f /reg:32 >/dev/null 2>&1 || true

# ------------------------------------------------------------------ rounds

slipway_uninstaller_runs=1
results=$work/install-vs-nsis.results
: >"$results"
for round in $(seq "$rounds"); do
    read -r s_time s_peak s_ended < <(measure 'slipway-setup\.exe' 300 wine "$slipway_setup" /quiet)
    s_files=$(find "$slipway_folder" -type f 2>/dev/null | wc -l)
    read -r n_time n_peak n_ended < <(measure 'nsis-setup\.exe' 300 wine "$nsis_setup")
    n_files=$(find "$nsis_folder" -type f 2>/dev/null | wc -l)
    [ "$s_ended" = 1 ] && [ "$n_ended" = 1 ] || { echo "round $round: an installer did not end" >&2; exit 1; }

    # Uninstall: the uninstaller and the temporary copy it runs from.
    su_time=n/a
    if [ "$slipway_uninstaller_runs" = 1 ]; then
        read -r su_time _ su_ended < <(measure 'uninstall\.exe|uni[0-9a-f]*\.tmp' 120 \
            wine "$(winepath -w "$slipway_folder/uninstall.exe")" /quiet)
        if [ "$su_ended" != 1 ] || [ -d "$slipway_folder" ]; then
            slipway_uninstaller_runs=0
            su_time=n/a
        fi
    fi
    read -r nu_time _ nu_ended < <(measure 'uninstall\.exe|~nsu[0-9a-z]*\.tmp' 120 \
        wine "$(winepath -w "$nsis_folder/uninstall.exe")" /S)
    [ "$nu_ended" = 1 ] && [ ! -d "$nsis_folder" ] || nu_time=n/a
    echo "$round $s_time $s_peak $s_files $n_time $n_peak $n_files $su_time $nu_time" >>"$results"
    forget_installations
done

# ------------------------------------------------------------------ report

echo "payload: $files files, $bytes bytes; block 1 decoded: $block1 bytes"
echo "installers: slipway $(stat -c %s "$slipway_setup") bytes, nsis $(stat -c %s "$nsis_setup") bytes"
printf '%-6s %28s %28s %22s\n' round "slipway install (s, MiB, files)" "nsis install (s, MiB, files)" "uninstall slipway/nsis (s)"
while read -r round st sp sf nt np nf sut nut; do
    printf '%-6s %10s %8.1f %8s %10s %8.1f %8s %11s %10s\n' "$round" "$st" "$(awk -v k="$sp" 'BEGIN {print k / 1024}')" \
        "$sf" "$nt" "$(awk -v k="$np" 'BEGIN {print k / 1024}')" "$nf" "$sut" "$nut"
done <"$results"
python3 - "$results" "$block1" "$baseline_peak" <<'PYTHON'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1]) if line.strip()]
block1 = int(sys.argv[2] or 0)
baseline = int(sys.argv[3] or 0)
med = lambda i: statistics.median(float(r[i]) for r in rows)
st, sp, nt, np_ = med(1), med(2), med(4), med(5)
print(f"median install: slipway {st:.2f} s, {sp / 1024:.1f} MiB; nsis {nt:.2f} s, {np_ / 1024:.1f} MiB")
print(f"slipway / nsis: time {st / nt:.2f}, peak memory {sp / np_:.2f}")
if block1:
    print(f"slipway peak / decoded block 1: {sp * 1024 / block1:.2f}")
    if baseline:
        print(f"the same installer with a one-file payload: {baseline / 1024:.1f} MiB; "
              f"peak above it / decoded block 1: {(sp - baseline) * 1024 / block1:.2f}")
uninstalls = [(r[7], r[8]) for r in rows]
if all(s != "n/a" and n != "n/a" for s, n in uninstalls):
    su = statistics.median(float(s) for s, _ in uninstalls)
    nu = statistics.median(float(n) for _, n in uninstalls)
    print(f"median uninstall: slipway {su:.2f} s, nsis {nu:.2f} s; ratio {su / nu:.2f}")
else:
    print("uninstall: slipway's uninstaller did not run to its end here; nsis median "
          + (f"{statistics.median(float(n) for _, n in uninstalls if n != 'n/a'):.2f} s"
             if any(n != 'n/a' for _, n in uninstalls) else "n/a"))
PYTHON
