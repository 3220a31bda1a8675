#!/usr/bin/env bash
# Prints block 1's (the action block's) decoded size and LZMA options as
# `slipway inspect` reports them: "USIZE DICTIONARY LC LP PB".
#   bench/block1-options.sh SLIPWAY INSTALLER
set -euo pipefail
"${1:?usage: block1-options.sh SLIPWAY INSTALLER}" inspect "${2:?usage: block1-options.sh SLIPWAY INSTALLER}" | awk '
    /content: "actionScript"/ {found = 1}
    found && /usize:/ && u == "" {u = $2}
    found && /dictionarySize:/ && d == "" {d = $2}
    found && / lc:/ && l == "" {l = $2}
    found && / lp:/ && p == "" {p = $2}
    found && / pb:/ && b == "" {b = $2}
    END {
        if (u == "" || d == "") {print "block1-options: no action block in the report" > "/dev/stderr"; exit 1}
        print u, d, l, p, b
    }'
