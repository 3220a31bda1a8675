#include "format/uninstall_script.h"

#include "format/byte_cursor.h"

#include <new>

bool writeUninstallScript(const UninstallScript& script, ByteSink& sink)
{
    writeFields(script, sink);
    for (const UndoEntry* entry = script.undoLog.first(); entry; entry = entry->next) {
        // What only a failed installation needed stays out of the package.
        if (entry->isRollbackOnly())
            continue;
        sink.appendU32(1);
        entry->serialize(sink);
    }
    sink.appendU32(0);
    return !sink.failed();
}

bool readUninstallScript(ByteCursor& cursor, UninstallScript& out)
{
    readFields(cursor, out);
    uint8_t marker[4];
    while (cursor.readBytes(marker, 4) && loadU32(marker) != 0) {
        UndoEntry* entry = createUndoEntry(cursor.readU32());
        if (!entry)
            continue;
        if (!cursor.spend(kRecordMemoryCharge) || !entry->read(cursor)) {
            std::default_delete<UndoEntry>()(entry);
            return false;
        }
        out.undoLog.append(entry);
    }
    return !cursor.failed();
}

std::unique_ptr<UninstallScript> readUninstallPackage(const Bytes& body)
{
    ByteCursor cursor;
    std::unique_ptr<UninstallScript> script(new (std::nothrow) UninstallScript);
    if (!script || !cursor.attach(body.data(), body.size()) || !readUninstallScript(cursor, *script))
        return nullptr;
    return script;
}
