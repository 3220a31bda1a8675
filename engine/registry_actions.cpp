// Registry steps on Windows: string and number values set with an undo entry
// that removes them, and values deleted.
#include "app/win32_handles.h"
#include "engine/action.h"
#include "engine/registry_roots_win32.h"
#include "engine/undo_entry.h"

#include <new>
#include <string.h>

namespace {

// Creates or opens the key in the 32-bit view with the installer's class and
// rights; a missing key and its parents are created.
bool openKey(uint32_t root, const char* subKey, UniqueRegKey& key)
{
    HKEY rootKey = registryRootKey(root);
    if (!rootKey)
        return false;
    return RegCreateKeyExA(rootKey, subKey, 0, const_cast<char*>("CommonClass"), REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

struct ExpandedKey {
    char subKey[256];
    char valueName[256];
};

// False when either text did not expand whole into its buffer: a cut key
// name would name some other key.
bool expandKey(ExpandFn expand, const Bytes& subKey, const Bytes& valueName, ExpandedKey& out)
{
    return expand(subKey.text(), out.subKey, sizeof out.subKey) &&
           expand(valueName.text(), out.valueName, sizeof out.valueName);
}

bool pushValueUndo(UndoLog& log, uint32_t root, const ExpandedKey& key)
{
    DeleteRegValueUndo* undo = new (std::nothrow) DeleteRegValueUndo;
    if (!undo || !undo->subKey.assignText(key.subKey) || !undo->valueName.assignText(key.valueName)) {
        delete undo;
        return false;
    }
    undo->root = root;
    log.push(undo);
    return true;
}

// The value as it is before the installation changes it, for the rollback;
// null when there is none (or it cannot be read whole).
RestoreRegValueRollback* keepValue(HKEY handle, uint32_t root, const ExpandedKey& key)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(handle, key.valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return nullptr;
    RestoreRegValueRollback* kept = new (std::nothrow) RestoreRegValueRollback;
    DWORD read = size;
    if (!kept || !kept->data.allocate(size) || !kept->subKey.assignText(key.subKey) ||
        !kept->valueName.assignText(key.valueName) ||
        RegQueryValueExA(handle, key.valueName, nullptr, &type, kept->data.data(), &read) != ERROR_SUCCESS ||
        read != size) {
        delete kept;
        return nullptr;
    }
    kept->root = root;
    kept->type = type;
    return kept;
}

bool setValue(UndoLog& log, uint32_t root, const ExpandedKey& key, DWORD type, const BYTE* data, DWORD size)
{
    UniqueRegKey handle;
    if (!openKey(root, key.subKey, handle))
        return false;
    RestoreRegValueRollback* kept = keepValue(handle.get(), root, key);
    if (RegSetValueExA(handle.get(), key.valueName, 0, type, data, size) != ERROR_SUCCESS) {
        delete kept;
        return false;
    }
    handle.reset();
    // Older than the entry that removes the new value: a rollback removes
    // it first and then puts the old one back.
    if (kept)
        log.push(kept);
    return pushValueUndo(log, root, key);
}

void deleteValue(uint32_t root, const char* subKey, const char* valueName)
{
    UniqueRegKey handle;
    if (openKey(root, subKey, handle))
        RegDeleteValueA(handle.get(), valueName);
}

}  // namespace

bool SetRegStringAction::execute(ExecutionContext& context)
{
    ExpandedKey key;
    const size_t kValueSize = 16301;
    Bytes value;
    if (!value.allocate(kValueSize) || !expandKey(context.expand, subKey, valueName, key))
        return false;
    char* text = reinterpret_cast<char*>(value.data());
    if (!context.expand(data.text(), text, kValueSize))
        return false;
    return setValue(*context.undoLog, root, key, REG_SZ, value.data(), DWORD(strlen(text) + 1));
}

bool SetRegDwordAction::execute(ExecutionContext& context)
{
    ExpandedKey key;
    if (!expandKey(context.expand, subKey, valueName, key))
        return false;
    BYTE value[4] = {BYTE(data), BYTE(data >> 8), BYTE(data >> 16), BYTE(data >> 24)};
    return setValue(*context.undoLog, root, key, REG_DWORD, value, sizeof value);
}

bool DeleteRegValueAction::execute(ExecutionContext& context)
{
    // A name that did not expand whole is not deleted: it would be some
    // other value.
    ExpandedKey key;
    if (!expandKey(context.expand, subKey, valueName, key))
        return true;
    UniqueRegKey handle;
    if (!openKey(root, key.subKey, handle))
        return true;
    RestoreRegValueRollback* kept = keepValue(handle.get(), root, key);
    if (RegDeleteValueA(handle.get(), key.valueName) == ERROR_SUCCESS && kept)
        context.undoLog->push(kept);
    else
        delete kept;
    return true;
}

uint32_t RestoreRegValueRollback::undo(ExecutionContext&)
{
    UniqueRegKey handle;
    if (openKey(root, subKey.text(), handle))
        RegSetValueExA(handle.get(), valueName.text(), 0, type, data.data(), DWORD(data.size()));
    return kUndoContinue;
}

uint32_t DeleteRegValueUndo::undo(ExecutionContext&)
{
    deleteValue(root, subKey.text(), valueName.text());
    return kUndoContinue;
}
