// Registry steps on Windows: string and number values set with an undo entry
// that removes them, and values deleted.
#include "platform/win32_handles.h"
#include "format/action.h"
#include "engine/file_routines.h"
#include "engine/kept_deletions.h"
#include "engine/registry_roots_win32.h"
#include "format/field_limits.h"
#include "format/undo_entry.h"

#include <new>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(RegCreateKeyExA, 36);
SLIPWAY_IMPORT_SLOT(RegDeleteKeyA, 8);
SLIPWAY_IMPORT_SLOT(RegDeleteValueA, 8);

namespace {

// Creates or opens the key in the 32-bit view with the installer's class and
// rights; a missing key and its parents are created.
bool openKey(uint32_t root, const char* subKey, UniqueRegKey& key)
{
    HKEY rootKey = registryRootKey(root);
    if (!rootKey)
        return false;
    return RegCreateKeyExASlot(rootKey, subKey, 0, const_cast<char*>("CommonClass"), REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.put(),
                               nullptr) == ERROR_SUCCESS;
}

// openKey for an installation: the keys the creation makes on the way are
// recorded for the rollback, also when the step then fails. They are the
// ones missing before it: walked up from the whole key, the length of the
// outermost missing one. A key that cannot be opened for another reason
// than its absence (rights) is there all the same.
bool openKeyRecorded(UndoLog& log, uint32_t root, const char* subKey, UniqueRegKey& key)
{
    HKEY rootKey = registryRootKey(root);
    char path[kRegistryNameSize];
    size_t created = 0;
    size_t length = strlen(subKey);
    if (rootKey && length < sizeof path) {
        memcpy(path, subKey, length + 1);
        for (char* cut = path; length && cut;) {
            UniqueRegKey probe;
            LONG result = RegOpenKeyExA(rootKey, path, 0, KEY_QUERY_VALUE, probe.put());
            if (result != ERROR_FILE_NOT_FOUND && result != ERROR_PATH_NOT_FOUND)
                break;
            created = length;
            cut = lastBackslashOf(path);
            if (cut) {
                *cut = 0;
                length = size_t(cut - path);
            }
        }
    }
    if (!openKey(root, subKey, key))
        return false;
    RegistryRollback* entry = created ? log.pushNew<RegistryRollback>() : nullptr;
    if (entry && entry->subKey.assignText(subKey)) {
        entry->root = root;
        entry->createdFrom = uint32_t(created);
    } else {
        log.dropNewest(entry);
    }
    return true;
}

struct ExpandedKey {
    char subKey[kRegistryNameSize];
    char valueName[kRegistryNameSize];
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
    DeleteRegValueUndo* undo = log.pushNew<DeleteRegValueUndo>();
    if (!undo || !undo->subKey.assignText(key.subKey) || !undo->valueName.assignText(key.valueName)) {
        log.dropNewest(undo);
        return false;
    }
    undo->root = root;
    return true;
}

// The value as it is before the installation changes it, kept at the front
// of the log for the rollback (the caller drops it again when the change
// fails); null when there is none (or it cannot be read whole).
RegistryRollback* keepValue(UndoLog& log, HKEY handle, uint32_t root, const ExpandedKey& key)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(handle, key.valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return nullptr;
    RegistryRollback* kept = log.pushNew<RegistryRollback>();
    DWORD read = size;
    if (!kept || !kept->data.allocate(size) || !kept->subKey.assignText(key.subKey) ||
        !kept->valueName.assignText(key.valueName) ||
        RegQueryValueExA(handle, key.valueName, nullptr, &type, kept->data.data(), &read) != ERROR_SUCCESS ||
        read != size) {
        log.dropNewest(kept);
        return nullptr;
    }
    kept->root = root;
    kept->type = type;
    return kept;
}

bool setValue(UndoLog& log, uint32_t root, const ExpandedKey& key, DWORD type, const BYTE* data, DWORD size)
{
    UniqueRegKey handle;
    if (!openKeyRecorded(log, root, key.subKey, handle))
        return false;
    // The kept value is older than the entry that removes the new value: a
    // rollback removes that first and then puts the old one back.
    RegistryRollback* kept = keepValue(log, handle.get(), root, key);
    if (RegSetValueExA(handle.get(), key.valueName, 0, type, data, size) != ERROR_SUCCESS) {
        log.dropNewest(kept);
        return false;
    }
    handle.reset();
    return pushValueUndo(log, root, key);
}

void deleteValue(uint32_t root, const char* subKey, const char* valueName)
{
    UniqueRegKey handle;
    if (openKey(root, subKey, handle))
        RegDeleteValueASlot(handle.get(), valueName);
}

}  // namespace

bool SetRegStringAction::execute(ExecutionContext& context)
{
    ExpandedKey key;
    Bytes value;
    if (!value.allocate(kRegistryDataSize) || !expandKey(context.expand, subKey, valueName, key))
        return false;
    char* text = reinterpret_cast<char*>(value.data());
    if (!context.expand(data.text(), text, kRegistryDataSize))
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
    if (!openKeyRecorded(*context.undoLog, root, key.subKey, handle))
        return true;
    RegistryRollback* kept = keepValue(*context.undoLog, handle.get(), root, key);
    if (RegDeleteValueASlot(handle.get(), key.valueName) != ERROR_SUCCESS)
        context.undoLog->dropNewest(kept);
    return true;
}

uint32_t DeleteRegValueUndo::undo(ExecutionContext&)
{
    deleteValue(root, subKey.text(), valueName.text());
    return kUndoContinue;
}

uint32_t RegistryRollback::undo(ExecutionContext&)
{
    if (!valueName.isNull()) {
        UniqueRegKey handle;
        if (openKey(root, subKey.text(), handle))
            RegSetValueExA(handle.get(), valueName.text(), 0, type, data.data(), DWORD(data.size()));
        return kUndoContinue;
    }
    HKEY rootKey = registryRootKey(root);
    char path[kRegistryNameSize];
    if (!rootKey || subKey.size() > sizeof path)
        return kUndoContinue;
    memcpy(path, subKey.text(), subKey.size());
    path[sizeof path - 1] = 0;
    // Innermost first, each cut back to the backslash before it, down to
    // the outermost key the installation made. The NT line deletes only a
    // key without sub-keys, so a key another program filled meanwhile stays;
    // the 9x line deletes a key with all below it, made during this
    // installation too.
    for (;;) {
        if (RegDeleteKeyASlot(rootKey, path) != ERROR_SUCCESS)
            return kUndoContinue;
        char* cut = lastBackslashOf(path);
        if (!cut || size_t(cut - path) < createdFrom)
            return kUndoContinue;
        *cut = 0;
    }
}

void deleteValueKept(uint32_t root, const char* subKey, const char* valueName, UndoLog& log)
{
    ExpandedKey key;
    size_t subKeyLength = strlen(subKey);
    size_t nameLength = strlen(valueName);
    HKEY rootKey = registryRootKey(root);
    if (!rootKey || subKeyLength >= sizeof key.subKey || nameLength >= sizeof key.valueName)
        return;
    memcpy(key.subKey, subKey, subKeyLength + 1);
    memcpy(key.valueName, valueName, nameLength + 1);
    // Opened, not created: a key that is gone holds no value to delete.
    UniqueRegKey handle;
    if (RegOpenKeyExA(rootKey, subKey, 0, KEY_READ | KEY_SET_VALUE, handle.put()) != ERROR_SUCCESS)
        return;
    RegistryRollback* kept = keepValue(log, handle.get(), root, key);
    if (kept && RegDeleteValueASlot(handle.get(), valueName) != ERROR_SUCCESS)
        log.dropNewest(kept);
}
