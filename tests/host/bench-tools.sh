#!/usr/bin/env bash
# The benchmarks' own tools, which would mislead quietly if they went wrong:
# the large payload is the same bytes on every layout, about the size asked,
# with the mix it promises, and is laid out once; block 1's options come out
# of `slipway inspect`; huge-products builds both products and reports the
# builder's peak beside the encoder's need, or the builder's refusal.
#   bench-tools.sh SOURCE_DIR SLIPWAY
set -euo pipefail
source=${1:?usage: bench-tools.sh SOURCE_DIR SLIPWAY}
slipway=$(cd "$(dirname "${2:?usage: bench-tools.sh SOURCE_DIR SLIPWAY}")" && pwd)/$(basename "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$source"
hashes() { (cd "$1" && find . -type f -exec sha256sum {} + | sort -k2); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }

# ---- make-large-payload: deterministic, sized, mixed, made once
bench/make-large-payload.sh "$scratch/a/payload" 4 >/dev/null 2>&1
bench/make-large-payload.sh "$scratch/b/payload" 4 >/dev/null 2>&1
hashes "$scratch/a/payload" >"$scratch/a.sums"
hashes "$scratch/b/payload" >"$scratch/b.sums"
cmp -s "$scratch/a.sums" "$scratch/b.sums" || fail "two layouts of the large payload differ"
bytes=$(du -sb "$scratch/a/payload" | cut -f1)
[ "$bytes" -ge $((4 * 1048576 * 9 / 10)) ] && [ "$bytes" -le $((4 * 1048576 * 11 / 10)) ] ||
    fail "a 4 MiB payload holds $bytes bytes"
empty=$(sha256sum </dev/null | cut -d' ' -f1)
[ "$(cut -d' ' -f1 "$scratch/a.sums" | grep -v "$empty" | sort | uniq -d | wc -l)" -gt 0 ] ||
    fail "no exact duplicates in the large payload"
# compressed / original for the largest file of each kind
kind_ratio() {
    local file
    file=$(find "$scratch/a/payload" -type f \( "$@" \) -printf '%s %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
    [ -n "$file" ] || fail "no file of the kind $*"
    ratio "$(xz -6 -c "$file" | wc -c)" "$(stat -c %s "$file")"
}
media=$(kind_ratio -name '*.png' -o -name '*.jpg' -o -name '*.ogg' -o -name '*.mp4' -o -name '*.zip')
text=$(kind_ratio -name '*.txt' -o -name '*.cpp' -o -name '*.h' -o -name '*.md' -o -name '*.xml' -o -name '*.json')
binary=$(kind_ratio -name '*.dll' -o -name '*.exe' -o -name '*.bin' -o -name '*.dat' -o -name '*.pak' -o -name '*.so')
awk -v m="$media" -v t="$text" -v b="$binary" 'BEGIN {exit !(m > 0.98 && t < 0.35 && b > 0.3 && b < 0.8)}' ||
    fail "compressed/original: media $media (want > 0.98), text $text (< 0.35), binaries $binary (0.3 to 0.8)"
# Laid out once: the same size again keeps what is there; another size remakes it.
touch "$scratch/a/payload/kept"
bench/make-large-payload.sh "$scratch/a/payload" 4 >/dev/null 2>&1
[ -f "$scratch/a/payload/kept" ] || fail "the same size laid the payload out again"
bench/make-large-payload.sh "$scratch/a/payload" 5 >/dev/null 2>&1
[ ! -f "$scratch/a/payload/kept" ] || fail "another size reused the old payload"

# ---- huge-products without Wine, at trial sizes; block 1's options
out=$(SLIPWAY=$slipway bench/huge-products.sh --build-only --fast --files 300 --huge-mib 2 "$scratch/work" 2>&1) ||
    { echo "$out" >&2; fail "huge-products failed"; }
for product in many huge; do
    grep -Eq "^$product: installer [0-9,]+ bytes from [0-9,]+; goal, builder peak <= encoder's own \+ 64 MiB: [0-9]+ <= [0-9]+ MiB: (holds|MISSED)$" <<<"$out" ||
        { echo "$out" >&2; fail "no builder peak beside the encoder's need for $product"; }
done
read -r usize dictionary lc lp pb < <(bench/block1-options.sh "$slipway" "$scratch/work/huge-huge/setup.exe")
[ "$usize" -gt 1500000 ] && [ "$dictionary" -ge 4096 ] && [ $((dictionary & (dictionary - 1))) -eq 0 ] &&
    [ -n "$pb" ] || fail "block 1's options read as '$usize $dictionary $lc $lp $pb'"

# ---- a builder that refuses a payload (as one with today's limits does) is
# reported, with its words, and the other product still runs
cat >"$scratch/refusing-slipway" <<REFUSING
#!/usr/bin/env bash
if [ "\$1" = build ] && [[ "\$2" == */huge-huge/slipway.toml ]]; then
    echo "\$2: error: the package is too large to install (refused for the test)" >&2
    exit 1
fi
exec "$slipway" "\$@"
REFUSING
chmod +x "$scratch/refusing-slipway"
out=$(SLIPWAY=$scratch/refusing-slipway bench/huge-products.sh --build-only --fast --files 300 --huge-mib 2 "$scratch/work" 2>&1) ||
    { echo "$out" >&2; fail "huge-products failed on a refused payload"; }
grep -q "^huge: slipway build REFUSED it: .*too large to install (refused for the test)" <<<"$out" ||
    { echo "$out" >&2; fail "the refusal is not reported"; }
grep -q "^many: installer " <<<"$out" || { echo "$out" >&2; fail "the product after a refusal is missing"; }
echo "bench tools: 1 passed, 0 failed"
