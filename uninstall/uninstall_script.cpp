#include "uninstall/uninstall_script.h"

const char* const kUninstallScriptFieldNames[kUninstallScriptFieldCount] = {
    "title",          "bannerInfo",  "bannerBits",        "backText",         "nextText",
    "removeText",     "finishText",  "cancelText",        "welcomeText",      "hintText",
    "removeFilesStepCaption", "progressHint", "readyToRemoveHint", "successText", "failureText",
    "finishHint",     "uninstallKeyName", "uninstallerPath",
};

namespace {

template <typename Script, typename Field>
Field* fieldOf(Script& s, int index)
{
    Field* fields[kUninstallScriptFieldCount] = {
        &s.title,          &s.bannerInfo,   &s.bannerBits,        &s.backText,    &s.nextText,
        &s.removeText,     &s.finishText,   &s.cancelText,        &s.welcomeText, &s.hintText,
        &s.removeFilesStepCaption, &s.progressHint, &s.readyToRemoveHint, &s.successText, &s.failureText,
        &s.finishHint,     &s.uninstallKeyName, &s.uninstallerPath,
    };
    return index >= 0 && index < kUninstallScriptFieldCount ? fields[index] : nullptr;
}

}  // namespace

Bytes* uninstallScriptField(UninstallScript& script, int index)
{
    return fieldOf<UninstallScript, Bytes>(script, index);
}

const Bytes* uninstallScriptField(const UninstallScript& script, int index)
{
    return fieldOf<const UninstallScript, const Bytes>(script, index);
}

bool writeUninstallScript(const UninstallScript& script, ByteSink& sink)
{
    for (int i = 0; i < kUninstallScriptFieldCount; ++i) {
        const Bytes& field = *uninstallScriptField(script, i);
        sink.addString(field.data(), field.size());
    }
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
    for (int i = 0; i < kUninstallScriptFieldCount; ++i)
        cursor.readString(*uninstallScriptField(out, i));
    uint8_t marker[4];
    while (cursor.readBytes(marker, 4) && loadU32(marker) != 0) {
        UndoEntry* entry = createUndoEntry(cursor.readU32());
        if (!entry)
            continue;
        if (!cursor.spend(kRecordMemoryCharge) || !entry->read(cursor)) {
            delete entry;
            return false;
        }
        out.undoLog.append(entry);
    }
    return !cursor.failed();
}
