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

// A key that cannot be opened for some other reason than its absence
// (rights) is there all the same.
bool keyExists(HKEY rootKey, const char* subKey)
{
    UniqueRegKey key;
    LONG result = RegOpenKeyExA(rootKey, subKey, 0, KEY_QUERY_VALUE, key.put());
    return result != ERROR_FILE_NOT_FOUND && result != ERROR_PATH_NOT_FOUND;
}

// The keys on the way to `subKey` that do not exist yet: the length of the
// first of them (the path cut before a backslash, or whole), 0 when the
// whole path exists. Walked by characters, as a double-byte character's
// trail byte may equal a backslash.
size_t firstMissingKeyLength(HKEY rootKey, const char* subKey)
{
    if (keyExists(rootKey, subKey))
        return 0;
    char prefix[256];
    for (const char* p = subKey; *p; p = CharNextA(p)) {
        size_t length = size_t(p - subKey);
        if (*p != '\\' || length == 0 || length >= sizeof prefix || p[-1] == '\\')
            continue;
        memcpy(prefix, subKey, length);
        prefix[length] = 0;
        if (!keyExists(rootKey, prefix))
            return length;
    }
    return strlen(subKey);
}

// Records, outermost first, each key from `firstMissing` on that the
// creation made, so that a rollback (newest first) deletes them innermost
// first.
void recordCreatedKeys(UndoLog& log, uint32_t root, const char* subKey, size_t firstMissing)
{
    size_t whole = strlen(subKey);
    for (const char* p = subKey + firstMissing;; p = CharNextA(p)) {
        size_t length = size_t(p - subKey);
        if ((*p == '\\' && p[-1] != '\\') || length == whole) {
            RemoveCreatedKeyRollback* entry = new (std::nothrow) RemoveCreatedKeyRollback;
            if (entry && entry->subKey.assign(subKey, length + 1)) {
                entry->subKey.data()[length] = 0;
                entry->root = root;
                log.push(entry);
            } else {
                delete entry;
            }
        }
        if (!*p)
            break;
    }
}

// openKey for an installation: the keys it makes on the way are recorded
// for the rollback, also when the step then fails.
bool openKeyRecorded(UndoLog& log, uint32_t root, const char* subKey, UniqueRegKey& key)
{
    HKEY rootKey = registryRootKey(root);
    size_t firstMissing = rootKey && *subKey ? firstMissingKeyLength(rootKey, subKey) : 0;
    if (!openKey(root, subKey, key))
        return false;
    if (firstMissing)
        recordCreatedKeys(log, root, subKey, firstMissing);
    return true;
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
    if (!openKeyRecorded(log, root, key.subKey, handle))
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
    if (!openKeyRecorded(*context.undoLog, root, key.subKey, handle))
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

uint32_t RemoveCreatedKeyRollback::undo(ExecutionContext&)
{
    HKEY rootKey = registryRootKey(root);
    UniqueRegKey key;
    if (!rootKey || RegOpenKeyExA(rootKey, subKey.text(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return kUndoContinue;
    // The 9x line deletes a key with all below it: only a key without
    // sub-keys goes, on either line.
    DWORD subKeys = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        subKeys != 0)
        return kUndoContinue;
    key.reset();
    RegDeleteKeyA(rootKey, subKey.text());
    return kUndoContinue;
}
