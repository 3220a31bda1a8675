#!/usr/bin/env bash
# Runs one fuzz target for a number of seconds over its seed corpus, keeping
# what it finds in a work folder beside the build, never in the source tree.
# A target's own libFuzzer options (input size, memory limits) are the words
# of tests/fuzz/TARGET.options when it exists.
#   run-fuzzer.sh TARGET SEED_DIR WORK_DIR SECONDS
set -euo pipefail
target=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work"
args=("$work")
[ -d "$seeds" ] && args+=("$seeds")
options=()
options_file="$(dirname "$0")/$(basename "$target").options"
[ -f "$options_file" ] && read -r -a options < <(grep -v '^#' "$options_file" | tr '\n' ' ') || true
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${options[@]}" "${args[@]}"
