# Sourced by the benchmarks: lays out the standard payload in $work/payload
# (once) and the manifest that `slipway build` makes the benchmark installer
# from, $work/slipway.toml. Needs $work (absolute) and $shared; sets
# payload, files and bytes.
payload=$work/payload
[ -d "$payload" ] || "$shared/make-payload" "$payload"
files=$(find -L "$payload" -type f | wc -l)
bytes=$(du -sbL "$payload" | cut -f1)

cat >"$work/slipway.toml" <<TOML
[product]
name = "Slipway Bench"
version = "1.0"
publisher = "Slipway"

[install]
folder = "SlipwayBench"

[[files]]
source = "payload"
TOML
