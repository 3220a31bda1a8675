// The round trip every structured reader is fuzzed with: whatever it accepts
// must serialize, read back to as many items, and serialize to the very same
// bytes again. A broken promise traps, which the fuzzer reports.
#pragma once

#include "format/byte_cursor.h"
#include "format/bytes.h"
#include "format/byte_sink.h"

#include <string.h>

// The cursor's item table is large; one serves every run.
inline ByteCursor& sharedFuzzCursor()
{
    static ByteCursor* cursor = new ByteCursor;
    return *cursor;
}

// `read(cursor, script)` and `write(script, sink)` are the format's own;
// `count(script)` says how many items it holds.
template <typename Script, typename Read, typename Write, typename Count>
void checkRoundTrip(const uint8_t* data, size_t size, Read read, Write write, Count count)
{
    auto readFrom = [&](const uint8_t* bytes, size_t length, Script& out) {
        ByteCursor& cursor = sharedFuzzCursor();
        return cursor.attach(bytes, length) && read(cursor, out);
    };
    auto serialize = [&](const Script& script, Bytes& out) {
        ByteSink sink;
        return write(script, sink) && sink.flatten(out);
    };

    Script script;
    if (!readFrom(data, size, script))
        return;
    // Distinct items never outnumber the indices the input could name, so
    // writing what was read cannot hit the pool's limit.
    Bytes first;
    if (!serialize(script, first))
        __builtin_trap();
    Script again;
    if (!readFrom(first.data(), first.size(), again) || count(again) != count(script))
        __builtin_trap();
    Bytes second;
    if (!serialize(again, second) || second.size() != first.size() ||
        memcmp(second.data(), first.data(), first.size()) != 0)
        __builtin_trap();
}
