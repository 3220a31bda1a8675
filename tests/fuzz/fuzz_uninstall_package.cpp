// The uninstall package: any bytes as the body behind the magic. Whatever the
// reader accepts must serialize, read back, and serialize to the very same
// bytes again.
#include "app/byte_cursor.h"
#include "engine/byte_sink.h"
#include "uninstall/uninstall_script.h"

#include <string.h>

namespace {

// The cursor's item table is large; one serves every run.
ByteCursor& sharedCursor()
{
    static ByteCursor* cursor = new ByteCursor;
    return *cursor;
}

bool read(const uint8_t* data, size_t size, UninstallScript& out)
{
    ByteCursor& cursor = sharedCursor();
    return cursor.attach(data, size) && readUninstallScript(cursor, out);
}

bool serialize(const UninstallScript& script, Bytes& out)
{
    ByteSink sink;
    return writeUninstallScript(script, sink) && sink.flatten(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UninstallScript script;
    if (!read(data, size, script))
        return 0;
    Bytes first;
    if (!serialize(script, first))
        __builtin_trap();
    UninstallScript again;
    if (!read(first.data(), first.size(), again) || again.undoLog.count() != script.undoLog.count())
        __builtin_trap();
    Bytes second;
    if (!serialize(again, second) || second.size() != first.size() ||
        memcmp(second.data(), first.data(), first.size()) != 0)
        __builtin_trap();
    return 0;
}
