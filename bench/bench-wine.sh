# Sourced by the benchmarks that run installers under Wine: starts an Xvfb
# display of the benchmark's own, creates (once) or reuses the Wine prefix
# $work/wineprefix, ends both when the script exits, and defines measure.
# Needs $work (absolute).

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


# measure PATTERN TIMEOUT COMMAND...: runs the command; prints "SECONDS
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

# The benchmark installers are 32-bit programs.
unix_program_files="$WINEPREFIX/drive_c/Program Files (x86)"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
