#!/usr/bin/env bash
# Installs and uninstalls a payload silently under Wine with the installer
# `slipway build` makes and with the one Debian's makensis makes, side by
# side in one run, in a Wine prefix and on an Xvfb display of the
# benchmark's own. Prints, for each payload, wall time and peak memory of
# both, the peak above the same stub's one-file install, block 1's LZMA
# dictionary, the installer sizes, the ratios and whether each goal holds.
#   bench/install-vs-nsis.sh [--fast] [--rounds N] [--payload standard,large]
#                            [--large] [--large-mib N] [WORK]
# --payload names the payloads to run, in order: `standard` (the default)
# and `large` (made by bench/make-large-payload.sh; --large-mib or
# SLIPWAY_BENCH_LARGE_MIB sets its size, 1024 by default). --large is
# --payload standard,large.
# WORK (default build/bench, shared with build-vs-nsis.sh) keeps the payloads,
# the installers (built when missing) and the prefix; the large payload and
# its installers go to WORK/large-N. The standard payload and the NSIS script
# come from ../shared/bench (or $SLIPWAY_SHARED/bench).
#
# What is measured, the same way for both: the Windows processes of a run,
# found by their command line among the processes of this prefix (a Wine
# process is a Linux process), from the start of `wine` until the last of
# them has ended (an uninstaller's temporary copy included); their peak
# resident memory is the largest VmHWM seen while polling /proc every 10 ms,
# the Windows process's own high-water mark.
#
# Goals: the peak above the one-file install at most block 1's dictionary
# plus 8 MiB; install time at most 0.8 of NSIS's; on the standard payload an
# installer at most 0.65 of NSIS's in size. A payload that `slipway build`
# refuses is reported as refused, with the builder's words, and NSIS is still
# measured on it.
set -euo pipefail
cd "$(dirname "$0")/.."
fast=""
rounds=3
payloads=standard
. bench/payload-options.sh
while [ $# -gt 0 ]; do
    payload_option "$@"
    if [ "$taken" -gt 0 ]; then
        shift "$taken"
        continue
    fi
    case $1 in
    --fast) fast=--fast; shift ;;
    --rounds) rounds=${2:?--rounds needs a number}; shift 2 ;;
    -*) echo "install-vs-nsis: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done
check_payloads install-vs-nsis
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
large_dir=$work/large-$large_mib
case ",$payloads," in
*,large,*)
    echo "laying out the large payload ($large_mib MiB) in $large_dir/payload"
    mkdir -p "$large_dir"
    bench/make-large-payload.sh "$large_dir/payload" "$large_mib" >/dev/null
    cp "$work/slipway.toml" "$large_dir/slipway.toml"
    ;;
esac
# Time limits: five minutes for each 100 MiB, ten times that under emulation.
time_scale=1
[ "${SLIPWAY_WINE_EMULATED:-}" = 1 ] && time_scale=10

# ------------------------------------------------------------------ installers

# build_installers DIR: builds DIR/slipway-setup.exe from DIR/slipway.toml
# (when missing or older than the builder) and DIR/nsis-setup.exe from
# DIR/payload (when missing). Sets slipway_refused to the builder's words
# when it refuses the payload, and block1 and dictionary from `slipway
# inspect`.
build_installers() {
    local dir=$1
    slipway_refused=""
    block1=""
    dictionary=""
    # Built again for another builder or other options (WORK/slipway-setup.options).
    if [ ! -f "$dir/slipway-setup.exe" ] || [ "$slipway" -nt "$dir/slipway-setup.exe" ] ||
        [ "$(cat "$dir/slipway-setup.options" 2>/dev/null)" != "options: $fast" ]; then
        echo "building $dir/slipway-setup.exe${fast:+ ($fast)}"
        echo "options: $fast" >"$dir/slipway-setup.options"
        if ! "$slipway" build "$dir/slipway.toml" -o "$dir/slipway-setup.exe" $fast >"$dir/slipway-build.log" 2>&1; then
            rm -f "$dir/slipway-setup.exe"
            slipway_refused=$(grep -v '^\s*$' "$dir/slipway-build.log" | tail -n 3 | tr '\n' ' ')
            slipway_refused=${slipway_refused:-"exit status without a message"}
        fi
    fi
    if [ ! -f "$dir/nsis-setup.exe" ]; then
        echo "building $dir/nsis-setup.exe"
        makensis -V2 "-DPAYLOAD=$dir/payload" "-DOUT=$dir/nsis-setup.exe" "$(cd "$shared" && pwd)/payload.nsi" >"$dir/nsis-build.log" 2>&1 ||
            { cat "$dir/nsis-build.log" >&2; echo "install-vs-nsis: makensis failed on $dir/payload" >&2; exit 1; }
    fi
    [ -z "$slipway_refused" ] || return 0
    # Block 1 (the action block): its decoded size and its dictionary.
    read -r block1 dictionary _ < <(bench/block1-options.sh "$slipway" "$dir/slipway-setup.exe")
}

# ------------------------------------------------------------------ display and prefix

. bench/bench-wine.sh

slipway_folder=$unix_program_files/SlipwayBench
nsis_folder=$unix_program_files/SlipwayBenchNsis

forget_installations() {
    rm -rf "$slipway_folder" "$nsis_folder"
    wine reg delete "$uninstall_key\\Slipway Bench" /f /reg:32 >/dev/null 2>&1 || true
    wine reg delete "$uninstall_key\\SlipwayBenchNsis" /f /reg:32 >/dev/null 2>&1 || true
}

# The same stub with a one-file payload, installed the same way: the part
# of the peak that is Wine's and the wizard's, not the payload's. It also
# warms up: the prefix's services running and Wine's 32-bit libraries
# loaded once.
tiny=$work/tiny
mkdir -p "$tiny/payload"
echo "one small file" >"$tiny/payload/readme.txt"
sed -e 's/^name = .*/name = "Slipway Bench Tiny"/' -e 's/^folder = .*/folder = "SlipwayBenchTiny"/' \
    "$work/slipway.toml" >"$tiny/slipway.toml"
"$slipway" build "$tiny/slipway.toml" -o "$tiny/setup.exe" >/dev/null
wine "$tiny/setup.exe" -installerinfo >/dev/null 2>&1 || true
forget_installations
read -r _ baseline_peak _ < <(measure 'tiny.setup\.exe' $((60 * time_scale)) wine "$tiny/setup.exe" /quiet)
rm -rf "$unix_program_files/SlipwayBenchTiny"
wine reg delete "$uninstall_key\\Slipway Bench Tiny" /f /reg:32 >/dev/null 2>&1 || true

# ------------------------------------------------------------------ rounds

# run_rounds DIR TIMEOUT: installs and uninstalls DIR's installers $rounds
# times; one line a round in DIR/install-vs-nsis.results: round, slipway's
# install seconds, peak KiB and files, NSIS's, then both uninstall times
# (n/a where there is none).
run_rounds() {
    local dir=$1 timeout=$2
    local slipway_setup=$dir/slipway-setup.exe nsis_setup=$dir/nsis-setup.exe
    local results=$dir/install-vs-nsis.results
    local slipway_uninstaller_runs=1
    : >"$results"
    cat "$nsis_setup" "$slipway_setup" >/dev/null 2>&1 || true
    forget_installations
    for round in $(seq "$rounds"); do
        local s_time=n/a s_peak=0 s_files=0 s_ended=1
        if [ -z "$slipway_refused" ]; then
            read -r s_time s_peak s_ended < <(measure 'slipway-setup\.exe' "$timeout" wine "$slipway_setup" /quiet)
            s_files=$( (find "$slipway_folder" -type f 2>/dev/null || true) | wc -l)
        fi
        read -r n_time n_peak n_ended < <(measure 'nsis-setup\.exe' "$timeout" wine "$nsis_setup")
        n_files=$( (find "$nsis_folder" -type f 2>/dev/null || true) | wc -l)
        [ "$s_ended" = 1 ] && [ "$n_ended" = 1 ] || { echo "round $round: an installer did not end within $timeout s" >&2; exit 1; }

        # Uninstall: the uninstaller and the temporary copy it runs from.
        local su_time=n/a
        if [ -z "$slipway_refused" ] && [ "$slipway_uninstaller_runs" = 1 ]; then
            read -r su_time _ su_ended < <(measure 'uninstall\.exe|uni[0-9a-f]*\.tmp' "$timeout" \
                wine "$(winepath -w "$slipway_folder/uninstall.exe")" /quiet)
            if [ "$su_ended" != 1 ] || [ -d "$slipway_folder" ]; then
                slipway_uninstaller_runs=0
                su_time=n/a
            fi
        fi
        read -r nu_time _ nu_ended < <(measure 'uninstall\.exe|~nsu[0-9a-z]*\.tmp' "$timeout" \
            wine "$(winepath -w "$nsis_folder/uninstall.exe")" /S)
        [ "$nu_ended" = 1 ] && [ ! -d "$nsis_folder" ] || nu_time=n/a
        echo "$round $s_time $s_peak $s_files $n_time $n_peak $n_files $su_time $nu_time" >>"$results"
        forget_installations
    done
}

# ------------------------------------------------------------------ report

# report NAME DIR FILES BYTES: the table of DIR's rounds and the goals.
report() {
    local name=$1 dir=$2 files=$3 bytes=$4
    local results=$dir/install-vs-nsis.results
    local s_size=0 n_size
    [ -f "$dir/slipway-setup.exe" ] && s_size=$(stat -c %s "$dir/slipway-setup.exe")
    n_size=$(stat -c %s "$dir/nsis-setup.exe")
    echo
    echo "== $name payload: $files files, $bytes bytes ($dir/payload)"
    if [ -n "$slipway_refused" ]; then
        echo "slipway build REFUSED this payload: $slipway_refused"
        echo "installers: nsis $n_size bytes"
    else
        echo "block 1: decoded $block1 bytes, LZMA dictionary $dictionary bytes ($((dictionary / 1048576)) MiB)"
        echo "installers: slipway $s_size bytes, nsis $n_size bytes"
    fi
    printf '%-6s %28s %28s %22s\n' round "slipway install (s, MiB, files)" "nsis install (s, MiB, files)" "uninstall slipway/nsis (s)"
    while read -r round st sp sf nt np nf sut nut; do
        printf '%-6s %10s %8.1f %8s %10s %8.1f %8s %11s %10s\n' "$round" "$st" "$(awk -v k="$sp" 'BEGIN {print k / 1024}')" \
            "$sf" "$nt" "$(awk -v k="$np" 'BEGIN {print k / 1024}')" "$nf" "$sut" "$nut"
    done <"$results"
    python3 - "$results" "${block1:-0}" "${dictionary:-0}" "$baseline_peak" "$s_size" "$n_size" "$name" "$files" \
        "${slipway_refused:+refused}" <<'PYTHON'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1]) if line.strip()]
block1, dictionary, baseline = int(sys.argv[2] or 0), int(sys.argv[3] or 0), int(sys.argv[4] or 0)
s_size, n_size, name, files, refused = int(sys.argv[5]), int(sys.argv[6]), sys.argv[7], int(sys.argv[8]), sys.argv[9]
med = lambda i: statistics.median(float(r[i]) for r in rows)
verdict = lambda ok: "holds" if ok else "MISSED"
nt, np_ = med(4), med(5)
if refused:
    print(f"median install: nsis {nt:.2f} s, {np_ / 1024:.1f} MiB; slipway: none (refused)")
    sys.exit(0)
st, sp = med(1), med(2)
print(f"median install: slipway {st:.2f} s, {sp / 1024:.1f} MiB; nsis {nt:.2f} s, {np_ / 1024:.1f} MiB")
print(f"slipway / nsis: time {st / nt:.2f}, peak memory {sp / np_:.2f}")
short = [int(r[3]) for r in rows if int(r[3]) < files]
if short:
    print(f"WARNING: slipway installed only {min(short)} of {files} files in a round")
if block1:
    print(f"slipway peak / decoded block 1: {sp * 1024 / block1:.2f}")
    if baseline:
        print(f"the same installer with a one-file payload: {baseline / 1024:.1f} MiB; "
              f"peak above it / decoded block 1: {(sp - baseline) * 1024 / block1:.2f}")
if baseline and dictionary:
    above = (sp - baseline) / 1024
    allowed = dictionary / 1048576 + 8
    print(f"goal, peak above the one-file install <= dictionary + 8 MiB: {above:.1f} MiB <= {allowed:.1f} MiB: "
          f"{verdict(above <= allowed)}")
    if block1 and block1 < dictionary:
        print(f"  (block 1 is smaller than its dictionary: a decoder needs only {block1 / 1048576:.1f} MiB of window)")
print(f"goal, install time <= 0.8 x nsis: {st / nt:.2f} x: {verdict(st / nt <= 0.8)}")
if name == "standard":
    print(f"installer size / nsis: {s_size / n_size:.3f}; goal <= 0.65: {verdict(s_size / n_size <= 0.65)}")
else:
    print(f"installer size / nsis: {s_size / n_size:.3f} (the 0.65 goal is for the standard payload)")
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
}

# ------------------------------------------------------------------ payloads

reports=$work/install-vs-nsis.report
: >"$reports"
for name in ${payloads//,/ }; do
    if [ "$name" = standard ]; then
        dir=$work p_files=$files p_bytes=$bytes
    else
        dir=$large_dir
        p_files=$(find "$dir/payload" -type f | wc -l)
        p_bytes=$(du -sb "$dir/payload" | cut -f1)
    fi
    build_installers "$dir"
    mib=$((p_bytes / 1048576))
    timeout=$(((mib < 100 ? 1 : (mib + 99) / 100) * 300 * time_scale))
    echo "running $rounds round(s) on the $name payload (time limit $timeout s a run)"
    run_rounds "$dir" "$timeout"
    report "$name" "$dir" "$p_files" "$p_bytes" | tee -a "$reports"
done
echo
echo "the same installer with a one-file payload peaks at $(awk -v k="$baseline_peak" 'BEGIN {printf "%.1f", k / 1024}') MiB"
