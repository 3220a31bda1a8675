# Sourced by the Wine session scripts. The stub and every Windows-side test
# are 32-bit x86 programs, which Wine starts only where the kernel runs
# 32-bit code. Some kernels have that turned off (IA-32 emulation disabled:
# any i386 program fails with "Exec format error"), and there no test of
# this side can run at all. Such a run exits with WINE_CANNOT_RUN, which
# ctest reports as skipped, with the reason in the test's output.
WINE_CANNOT_RUN=77

# True where the kernel itself runs i386 programs. An emulator registered
# for them (qemu-user through binfmt_misc) does not count: it is far too
# slow for the tests' time limits. SLIPWAY_WINE_EMULATED=1 runs them there
# all the same, for a patient person.
runs_x86_32() {
    [ "${SLIPWAY_WINE_EMULATED:-}" = 1 ] && return 0
    grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 && return 1
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

require_x86_32() {
    runs_x86_32 && return 0
    echo "SKIPPED: this machine's kernel runs no 32-bit x86 code (IA-32 emulation is off)," \
        "so Wine cannot start the 32-bit stub or the Windows-side tests here." >&2
    exit "$WINE_CANNOT_RUN"
}
