#!/usr/bin/env bash
# Builds, installs and uninstalls two products at the far ends of what an
# installer carries: one of many small files (100,000 by default) and one of
# a huge payload (3.5 GiB by default, the mix of bench/make-large-payload.sh).
# For each: `slipway build` time and peak memory beside what the LZMA
# encoder itself needs for the options used; silent install under Wine (time,
# peak, installed file count against the payload's); silent uninstall (time,
# peak, whether anything is left). Prints a table and the goals.
#   bench/huge-products.sh [--files N] [--huge-mib N] [--only many|huge]
#                          [--fast] [--build-only] [WORK]
# SLIPWAY_BENCH_MANY_FILES and SLIPWAY_BENCH_HUGE_MIB set the same sizes.
# WORK (default build/bench) keeps the payloads (made once, reused), the
# manifests, the installers and the Wine prefix. --build-only skips Wine.
#
# Goal: the builder's peak at most the encoder's own need plus 64 MiB. The
# encoder's need is what liblzma reports for the raw LZMA1 encoder with the
# package's dictionary, lc, lp and pb and the builder's preset (9 extreme,
# or 3 with --fast), as `xz -vv` prints it.
set -euo pipefail
cd "$(dirname "$0")/.."
fast=""
many_files=${SLIPWAY_BENCH_MANY_FILES:-100000}
huge_mib=${SLIPWAY_BENCH_HUGE_MIB:-3584}
products="many huge"
build_only=""
while [ $# -gt 0 ]; do
    case $1 in
    --fast) fast=--fast; shift ;;
    --files) many_files=${2:?--files needs a number}; shift 2 ;;
    --huge-mib) huge_mib=${2:?--huge-mib needs a number}; shift 2 ;;
    --only) products=${2:?--only needs many or huge}; shift 2 ;;
    --build-only) build_only=1; shift ;;
    -*) echo "huge-products: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done
case $products in "many huge" | many | huge) ;; *) echo "huge-products: --only takes many or huge" >&2; exit 2 ;; esac
work=${1:-${SLIPWAY_BUILD:-build}/bench}
slipway=${SLIPWAY:-${SLIPWAY_BUILD:-build}/host/slipway}

need() { command -v "$1" >/dev/null 2>&1 || { echo "huge-products: '$1' is missing; run scripts/bootstrap.sh" >&2; exit 1; }; }
need python3
need xz
[ -x /usr/bin/time ] || { echo "huge-products: /usr/bin/time is missing; run scripts/bootstrap.sh" >&2; exit 1; }
[ -x "$slipway" ] || { echo "huge-products: $slipway not found (build first)" >&2; exit 1; }
if [ -z "$build_only" ]; then
    need wine
    need wineserver
    need Xvfb
    . tests/windows/wine-x86.sh
    runs_x86_32 || { echo "huge-products: this machine's kernel runs no 32-bit x86 code, so the 32-bit installer cannot run under Wine here (--build-only builds alone)" >&2; exit 1; }
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)

# ------------------------------------------------------------------ payloads

# make_many_files DIR COUNT: COUNT small text-like files (64 bytes to 8 KiB)
# in folders of a thousand, from a fixed seed; made once.
make_many_files() {
    local dir=$1 count=$2 mark="${1%/}.made"
    [ -d "$dir" ] && [ -f "$mark" ] && [ "$(cat "$mark")" = "count=$count version=1" ] && return 0
    rm -rf "$dir" "$mark"
    python3 - "$dir" "$count" <<'PYTHON'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(26_200)
words = ["value", "name", "path", "key", "data", "entry", "item", "text", "size", "index"] + [f"t{i}" for i in range(200)]
for n in range(count):
    folder = os.path.join(root, f"group{n // 1000:03d}", f"set{n // 100 % 10}")
    if n % 100 == 0:
        os.makedirs(folder, exist_ok=True)
    size = int(64 * 128 ** rng.random())
    body = (" ".join(rng.choices(words, k=size // 5 + 1)) + "\n").encode()[:size]
    path = os.path.join(folder, f"file{n:06d}.txt")
    with open(path, "wb") as f:
        f.write(body)
    os.utime(path, (1_700_000_000, 1_700_000_000))
PYTHON
    echo "count=$count version=1" >"$mark"
}

# write_manifest DIR NAME FOLDER
write_manifest() {
    cat >"$1/slipway.toml" <<TOML
[product]
name = "$2"
version = "1.0"
publisher = "Slipway"

[install]
folder = "$3"

[[files]]
source = "payload"
TOML
}

# ------------------------------------------------------------------ measures

# encoder_need_mib DICTIONARY LC LP PB: the raw LZMA1 encoder's memory, as
# liblzma reckons it, for the builder's preset.
encoder_need_mib() {
    local preset=9e
    [ -n "$fast" ] && preset=3
    xz -vv --format=raw --lzma1="preset=$preset,dict=$1,lc=$2,lp=$3,pb=$4" -c </dev/null 2>&1 >/dev/null |
        sed -n 's/^xz: \([0-9,.]*\) MiB of memory is required.*/\1/p' | tr -d ,
}

# build_product DIR: times `slipway build` under /usr/bin/time; sets
# b_seconds, b_kib and refused (the builder's words when it refused).
build_product() {
    local dir=$1 log=$1/build.time
    refused=""
    rm -f "$dir/setup.exe"
    if ! /usr/bin/time -v -o "$log" "$slipway" build "$dir/slipway.toml" -o "$dir/setup.exe" $fast >"$dir/build.log" 2>&1; then
        refused=$(grep -v '^\s*$' "$dir/build.log" | tail -n 3 | tr '\n' ' ')
        refused=${refused:-"exit status without a message"}
    fi
    b_kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    b_seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log" | awk -F: '{s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.1f", s}')
}

rows=$work/huge-products.results
: >"$rows"

if [ -z "$build_only" ]; then
    . bench/bench-wine.sh
    time_scale=1
    [ "${SLIPWAY_WINE_EMULATED:-}" = 1 ] && time_scale=10
fi

for product in $products; do
    dir=$work/huge-$product
    mkdir -p "$dir"
    if [ "$product" = many ]; then
        label="$many_files files"
        echo "laying out $many_files small files in $dir/payload-$many_files"
        make_many_files "$dir/payload-$many_files" "$many_files"
        ln -sfn "payload-$many_files" "$dir/payload"
        write_manifest "$dir" "Slipway Bench Many" "SlipwayBenchMany"
    else
        label="$huge_mib MiB"
        echo "laying out a $huge_mib MiB payload in $dir/payload-$huge_mib"
        bench/make-large-payload.sh "$dir/payload-$huge_mib" "$huge_mib" >/dev/null
        ln -sfn "payload-$huge_mib" "$dir/payload"
        write_manifest "$dir" "Slipway Bench Huge" "SlipwayBenchHuge"
    fi
    files=$(find -L "$dir/payload" -type f | wc -l)
    bytes=$(du -sbL "$dir/payload" | cut -f1)
    echo "building $dir/setup.exe ($files files, $bytes bytes)"
    build_product "$dir"
    if [ -n "$refused" ]; then
        echo "$product|$label|$files|$bytes|refused|$b_seconds|$b_kib|$refused" >>"$rows"
        continue
    fi
    size=$(stat -c %s "$dir/setup.exe")
    read -r _ dictionary lc lp pb < <(bench/block1-options.sh "$slipway" "$dir/setup.exe")
    need_mib=$(encoder_need_mib "$dictionary" "$lc" "$lp" "$pb")
    i_seconds=- i_kib=0 i_files=- u_seconds=- u_kib=0 left=-
    if [ -z "$build_only" ]; then
        folder="$unix_program_files/SlipwayBench${product^}"
        key="$uninstall_key\\Slipway Bench ${product^}"
        rm -rf "$folder"
        mib=$((bytes / 1048576))
        timeout=$(((mib < 100 ? 1 : (mib + 99) / 100) * 300 * time_scale))
        ((files > 10000)) && timeout=$((timeout + files / 10 * time_scale))
        echo "installing (time limit $timeout s)"
        read -r i_seconds i_kib i_ended < <(measure 'setup\.exe' "$timeout" wine "$dir/setup.exe" /quiet)
        [ "$i_ended" = 1 ] || i_seconds="$i_seconds(cut)"
        # The payload's files and the uninstaller the installer adds.
        i_files=$( (find "$folder" -type f ! -name uninstall.exe 2>/dev/null || true) | wc -l)
        echo "uninstalling"
        if [ -f "$folder/uninstall.exe" ]; then
            read -r u_seconds u_kib u_ended < <(measure 'uninstall\.exe|uni[0-9a-f]*\.tmp' "$timeout" \
                wine "$(winepath -w "$folder/uninstall.exe")" /quiet)
            [ "$u_ended" = 1 ] || u_seconds="$u_seconds(cut)"
        fi
        left=$( (find "$folder" 2>/dev/null || true) | wc -l)
        wine reg query "$key" /reg:32 >/dev/null 2>&1 && left="$left+key"
        rm -rf "$folder"
        wine reg delete "$key" /f /reg:32 >/dev/null 2>&1 || true
    fi
    echo "$product|$label|$files|$bytes|$size|$b_seconds|$b_kib|$dictionary|$need_mib|$i_seconds|$i_kib|$i_files|$u_seconds|$u_kib|$left" >>"$rows"
done

# ------------------------------------------------------------------ report

echo
python3 - "$rows" "${SLIPWAY_WINE_EMULATED:-}" "$fast" <<'PYTHON'
import sys
rows = [line.rstrip("\n").split("|") for line in open(sys.argv[1]) if line.strip()]
mib = lambda kib: f"{int(kib) / 1024:.0f}" if kib not in ("", "0") else "-"
head = ["product", "files", "build s", "build MiB", "encoder MiB", "dict MiB", "install s", "install MiB",
        "installed", "uninstall s", "uninstall MiB", "left"]
table = []
notes = []
for r in rows:
    product, label, files, size = r[0], r[1], r[2], r[3]
    if r[4] == "refused":
        table.append([f"{product} ({label})", files, r[5], mib(r[6])] + ["-"] * 8)
        notes.append(f"{product}: slipway build REFUSED it: {r[7]}")
        continue
    (installer, b_s, b_kib, dictionary, need, i_s, i_kib, i_files, u_s, u_kib, left) = r[4:15]
    table.append([f"{product} ({label})", files, b_s, mib(b_kib), need or "?", f"{int(dictionary) / 1048576:.0f}",
                  i_s, mib(i_kib), i_files, u_s, mib(u_kib), left])
    if need:
        budget = float(need) + 64
        peak = int(b_kib) / 1024
        notes.append(f"{product}: installer {int(installer):,} bytes from {int(size):,}; goal, builder peak "
                     f"<= encoder's own + 64 MiB: {peak:.0f} <= {budget:.0f} MiB: {'holds' if peak <= budget else 'MISSED'}")
    if i_files != "-":
        ok = i_files == files
        notes.append(f"{product}: installed {i_files} of {files} files: {'all' if ok else 'MISSING FILES'}; "
                     f"after uninstall: {'nothing left' if left == '0' else 'LEFT ' + left + ' entries'}")
widths = [max(len(str(x)) for x in col) for col in zip(head, *table)]
for line in [head] + table:
    print("  ".join(str(x).rjust(w) for x, w in zip(line, widths)))
for note in notes:
    print(note)
print("encoder MiB: liblzma's raw LZMA1 encoder with the package's options, preset "
      + ("3 (--fast)" if sys.argv[3] else "9 extreme"))
if sys.argv[2] == "1":
    print("(install and uninstall under qemu emulation: times are many times the native ones; memory is meaningful)")
PYTHON
