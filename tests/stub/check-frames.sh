#!/usr/bin/env bash
# Most of the stub is built without stack probes, so that its calls push their
# arguments. That is safe only while no frame skips the stack's guard page: a
# frame reserved in one step must stay well below a page, and the stack may not
# be grown by a register amount (alloca) without the probe routine.
#   check-frames.sh STUB [LIMIT]
set -euo pipefail
stub=$1
limit=${2:-3584}
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
code=$("$objdump" -d --no-show-raw-insn "$stub")
fail=0
largest=0
while read -r hex; do
    size=$((16#$hex))
    ((size > largest)) && largest=$size
done < <(grep -oE 'sub +\$0x[0-9a-f]+,%esp' <<<"$code" | sed -E 's/.*\$0x([0-9a-f]+),.*/\1/')
if ((largest >= limit)); then
    echo "check-frames: a frame of $largest bytes is reserved without a probe (limit $limit)" >&2
    fail=1
fi
# The image is stripped, so the probe routine has no name: a register-sized
# reservation must come right after a call, and always the same one.
unprobed=$(awk '/sub +%e[a-z]+,%esp/ { if (prev !~ /call/) print } { prev = $0 }' <<<"$code")
if [ -n "$unprobed" ]; then
    echo "check-frames: the stack grows by a register amount without a probe:" >&2
    echo "$unprobed" >&2
    fail=1
fi
probe_calls=$(awk '/sub +%e[a-z]+,%esp/ { split(prev, f, "call"); print f[2] } { prev = $0 }' <<<"$code" | sort -u | wc -l)
if ((probe_calls > 1)); then
    echo "check-frames: register-sized reservations follow $probe_calls different calls" >&2
    fail=1
fi
[ "$fail" = 0 ] && echo "check-frames: largest unprobed frame $largest bytes (limit $limit)"
exit "$fail"
