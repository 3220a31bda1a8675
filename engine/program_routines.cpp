#include "engine/program_routines.h"

#include "format/bytes.h"
#include "format/stub_texts.h"
#include "engine/ask_retry.h"
#include "format/field_limits.h"
#include "format/undo_entry.h"

#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateProcessA, 40);

namespace {

typedef DWORD(WINAPI* LibraryEntry)(HWND owner, HINSTANCE instance, void* argument, int show);

// An entry found by name with a character-set suffix, or plain.
struct FoundEntry {
    LibraryEntry entry = nullptr;
    bool wide = false;
};

FoundEntry findEntry(HMODULE module, const char* entryName)
{
    FoundEntry found;
    // Room for any expanded name (at most 260 characters) and the suffix.
    char name[264];
    size_t length = strlen(entryName);
    if (length + 2 <= sizeof name) {
        memcpy(name, entryName, length);
        name[length + 1] = 0;
        name[length] = 'W';
        found.entry = reinterpret_cast<LibraryEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        if (found.entry) {
            found.wide = true;
            return found;
        }
        name[length] = 'A';
        found.entry = reinterpret_cast<LibraryEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        if (found.entry)
            return found;
    }
    found.entry = reinterpret_cast<LibraryEntry>(reinterpret_cast<void*>(GetProcAddress(module, entryName)));
    return found;
}

// The call itself, with the argument in the form the entry wants; false
// when the argument could not be prepared.
bool callEntry(const FoundEntry& found, HWND owner, const char* argument, DWORD& result)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    size_t length = strlen(argument);
    if (found.wide) {
        // Every byte of the argument, then a terminating zero.
        Bytes wide;
        if (length > 0x7FFFFFF0u || !wide.allocate((length + 1) * sizeof(WCHAR)))
            return false;
        WCHAR* text = reinterpret_cast<WCHAR*>(wide.data());
        int converted = length ? MultiByteToWideChar(CP_ACP, 0, argument, int(length), text, int(length)) : 0;
        if (length && converted == 0)
            return false;
        text[converted] = 0;
        result = found.entry(owner, instance, text, SW_SHOWNORMAL);
        return true;
    }
    Bytes copy;
    if (!copy.assignText(argument))
        return false;
    result = found.entry(owner, instance, copy.data(), SW_SHOWNORMAL);
    return true;
}

}  // namespace

uint32_t resultCodeToUndo(DWORD code, bool& restartNeeded)
{
    if (code == kResultSuccess)
        return kUndoContinue;
    if (code == kResultRestartNeeded) {
        restartNeeded = true;
        return kUndoContinue;
    }
    return code == kResultCancelled ? kUndoCancelled : kUndoFailed;
}

StartResult startProcess(HWND owner, const char* commandLine, const char* workingFolder, uint16_t show,
                         StartedProcess& out)
{
    // CreateProcessA may write into its command line.
    Bytes writable;
    if (!writable.assignText(commandLine))
        return StartResult::Aborted;
    for (;;) {
        STARTUPINFOA startup;
        memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        if (show != kShowUnspecified) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = show;
        }
        PROCESS_INFORMATION started;
        if (CreateProcessASlot(nullptr, reinterpret_cast<char*>(writable.data()), nullptr, nullptr, FALSE, 0, nullptr,
                               workingFolder, &startup, &started)) {
            out.process.reset(started.hProcess);
            out.thread.reset(started.hThread);
            return StartResult::Started;
        }
        int answer = askRetry(owner, kCannotExecute, kErrorTitle, commandLine);
        if (answer == IDABORT)
            return StartResult::Aborted;
        if (answer == IDIGNORE)
            return StartResult::Ignored;
    }
}

uint32_t callLibraryEntry(HWND owner, const char* library, const char* entryName, const char* argument,
                          bool& restartNeeded)
{
    for (;;) {
        int answer;
        // Let go of before any question is asked, so that its file can be
        // replaced before a retry.
        UniqueLibrary module(LoadLibraryExA(library, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (!module) {
            answer = askRetry(owner, kCannotLoad, kErrorTitle, library);
        } else {
            FoundEntry found = findEntry(module.get(), entryName);
            if (found.entry) {
                DWORD result = 0;
                bool called = callEntry(found, owner, argument, result);
                module.reset();
                if (called)
                    return resultCodeToUndo(result, restartNeeded);
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                answer = askRetry(owner, kCannotLoad, kErrorTitle, library);
            } else {
                DWORD error = GetLastError();
                module.reset();
                SetLastError(error);
                answer = askRetry(owner, kCannotGetEntryPoint, kErrorTitle, entryName, library);
            }
        }
        if (answer == IDABORT)
            return kUndoFailed;
        if (answer == IDIGNORE)
            return kUndoContinue;
    }
}
