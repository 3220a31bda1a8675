// File and folder steps on Windows: packaged files written, files beside the
// installer copied, files deleted by pattern or recorded for the uninstaller,
// and the undo entries that take files and folders away again.
#include "platform/win32_handles.h"
#include "format/action.h"
#include "engine/ask_retry.h"
#include "format/file_names.h"
#include "format/stub_texts.h"
#include "engine/file_routines.h"
#include "engine/kept_deletions.h"
#include "engine/progress_meter.h"
#include "format/streamed_pool.h"
#include "format/undo_entry.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <new>
#include <string.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CopyFileA, 12);
SLIPWAY_IMPORT_SLOT(CreateDirectoryA, 8);
SLIPWAY_IMPORT_SLOT(GetTempFileNameA, 16);
SLIPWAY_IMPORT_SLOT(GetTickCount, 0);
SLIPWAY_IMPORT_SLOT(MoveFileExA, 12);
SLIPWAY_IMPORT_SLOT(RemoveDirectoryA, 4);
SLIPWAY_IMPORT_SLOT(SetFileTime, 16);

namespace {

// strcpy, for a text known to fit.
void copyText(char* destination, const char* text)
{
    memcpy(destination, text, strlen(text) + 1);
}

// How long RemoveFolderUndo waits for a folder that something still empties.
constexpr DWORD kFolderRetryMs = 500;
constexpr DWORD kFolderRetryPauseMs = 50;
// An ANSI path, flushed without waiting: 0x2000 is the flush-without-wait
// flag as the older headers define it; newer ones add SHCNF_FLUSH (0x3000).
constexpr UINT kNotifyPathNoWait = SHCNF_PATHA | 0x2000;

// Expands a package path into a path buffer. False when the expansion failed
// or did not fit: such a path is refused, never cut into some other path.
bool expandPath(ExpandFn expand, const Bytes& source, char* path, size_t size)
{
    path[0] = 0;
    return expand(source.text(), path, size) && memchr(path, 0, size) != nullptr;
}

// A folder that expands to nothing, or to no more than a drive, makes a
// pattern below it one at the root of a drive.
bool isEmptyFolder(const char* folder)
{
    size_t length = strlen(folder);
    while (length > 0 && (folder[length - 1] == '\\' || folder[length - 1] == '/'))
        --length;
    return length == 0 || (length == 2 && folder[1] == ':');
}

// True when a path variable or registry look-up of `text` comes out empty
// (or unexpandable) on its own. Each token is expanded by itself, as only
// then can an empty one be told from a text that simply has none.
bool hasEmptyVariable(const char* text, ExpandFn expand)
{
    for (const char* p = text; *p; ++p) {
        if (*p != '$')
            continue;
        if (p[1] == '$') {
            ++p;
            continue;
        }
        const char* close = strchr(p + 1, '$');
        if (!close)
            return true;
        char token[kPathSize];
        char value[kPathSize];
        size_t length = size_t(close - p) + 1;
        if (length >= sizeof token)
            return true;
        memcpy(token, p, length);
        token[length] = 0;
        if (!expand(token, value, sizeof value) || !memchr(value, 0, sizeof value) || isEmptyFolder(value))
            return true;
        p = close;
    }
    return false;
}

// Records a change for the uninstaller. False when memory ran out; the
// caller then takes its change back.
bool recordFile(UndoLog& log, const char* path, uint32_t reportFailure, bool uninstallOnly = false)
{
    DeleteFileUndo* entry = log.pushNew<DeleteFileUndo>();
    if (!entry || !entry->path.assignText(path)) {
        log.dropNewest(entry);
        return false;
    }
    entry->reportFailure = reportFailure;
    entry->uninstallOnly = uninstallOnly;
    return true;
}

// Moves a kept copy back over its file. When that fails while the file is
// still there (something holds it, so it was never replaced either), the
// copy is not needed; otherwise it stays rather than lose what it holds.
void restoreKeptCopy(const char* copy, const char* path)
{
    if (!MoveFileExASlot(copy, path, MOVEFILE_REPLACE_EXISTING) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        DeleteFileA(copy);
}

// What was at a path before the installation wrote there: a copy beside it,
// kept until the installation has succeeded (rollback puts it back) or the
// write failed (put back at once). Without a file there, nothing is kept;
// when no copy can be made, the file is replaced as it always was.
class KeptFile {
public:
    explicit KeptFile(const char* path)
    {
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return;
        char folder[kPathSize];
        copyText(folder, path);
        char* lastBackslash = strrchr(folder, '\\');
        if (!lastBackslash)
            return;
        *lastBackslash = 0;
        if (GetTempFileNameASlot(folder, "swk", 0, copy_) == 0)
            return;
        if (!CopyFileASlot(path, copy_, FALSE)) {
            DeleteFileA(copy_);
            return;
        }
        copyText(path_, path);
    }
    ~KeptFile() { putBack(); }
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    // The write failed for good: the file as it was goes back now.
    void putBack()
    {
        if (path_[0])
            restoreKeptCopy(copy_, path_);
        path_[0] = 0;
    }
    // The write succeeded: the copy now belongs to a rollback entry, pushed
    // before the new file's own entry so that a rollback deletes the new
    // file first. False when memory ran out (the copy is put back then).
    bool handOver(UndoLog& log)
    {
        if (!path_[0])
            return true;
        RestoreFileRollback* entry = log.pushNew<RestoreFileRollback>();
        if (!entry || !entry->path.assignText(path_) || !entry->keptCopy.assignText(copy_)) {
            log.dropNewest(entry);
            return false;
        }
        handedOver_ = entry;
        path_[0] = 0;
        return true;
    }
    // The new file could not be recorded and was deleted again: what was
    // there goes back now, as the installation goes on without it.
    void putBackHandedOver()
    {
        if (handedOver_)
            restoreKeptCopy(handedOver_->keptCopy.text(), handedOver_->path.text());
    }

private:
    RestoreFileRollback* handedOver_ = nullptr;
    char path_[kPathSize] = {};
    char copy_[kPathSize] = {};
};

// A file being written, told its contents chunk by chunk. A short write is
// a failure like any other: a cut file must never pass for an installed one.
// The run (null when extracting) counts each chunk on its bar and may stop
// the file between two chunks.
struct FileWriter {
    HANDLE file;
    DWORD error;
    const ExecutionContext* run;
};

bool writeChunk(void* context, const uint8_t* bytes, size_t size)
{
    FileWriter& writer = *static_cast<FileWriter*>(context);
    if (writer.run && writer.run->stopAsked()) {
        writer.error = ERROR_CANCELLED;
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(writer.file, bytes, DWORD(size), &written, nullptr)) {
        writer.error = GetLastError();
        return false;
    }
    if (written != size) {
        writer.error = ERROR_DISK_FULL;
        return false;
    }
    if (writer.run && writer.run->progress)
        writer.run->progress->bytesWritten(uint32_t(size));
    return true;
}

// Writes the action's contents: held ones in one write, streamed ones as
// the package decodes them. False when the file could not take them
// (writer.error says why) or the package is damaged (`damaged` set).
bool writeContents(FileWriter& writer, WriteFileAction& action, StreamedPool* payload, bool& damaged)
{
    if (!action.dataRef.streamed())
        return action.data.size() == 0 || writeChunk(&writer, action.data.data(), action.data.size());
    uint32_t length = 0;
    bool refused = false;
    if (!payload || payload->copyItem(action.dataRef.item, writeChunk, &writer, length, refused) != BlockResult::Ok) {
        damaged = true;
        return false;
    }
    action.dataRef.size = length;
    action.dataRef.sizeKnown = true;
    if (!refused)
        payload->noteWriter(action.dataRef.item, &action);
    return !refused;
}

// Contents the stream has passed, which an earlier action of this run wrote,
// are copied from that action's file rather than decoded again from the
// block's start; only while that file is still as the action left it (its
// size and time stamp), else the caller decodes them after all.
bool copiedFromEarlier(const char* path, WriteFileAction& action, StreamedPool* payload, ExpandFn expand)
{
    const WriteFileAction* earlier = payload && expand ? payload->earlierWriter(action.dataRef.item) : nullptr;
    char source[kPathSize];
    if (!earlier || !expandPath(expand, earlier->path, source, sizeof source) || !CopyFileASlot(source, path, FALSE))
        return false;
    UniqueHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME time;
    if (!file || GetFileSize(file.get(), nullptr) != earlier->dataRef.size ||
        !GetFileTime(file.get(), nullptr, nullptr, &time) || time.dwLowDateTime != earlier->timeLow ||
        time.dwHighDateTime != earlier->timeHigh)
        return false;
    action.dataRef.size = earlier->dataRef.size;
    action.dataRef.sizeKnown = true;
    time.dwLowDateTime = action.timeLow;
    time.dwHighDateTime = action.timeHigh;
    SetFileTimeSlot(file.get(), &time, &time, &time);
    return true;
}

// Creates the file and writes the contents with the packaged times. Returns
// 0, or the error of the creation or of the write; a half-written file is
// deleted. Setting the times may fail (some file systems keep no creation
// time): that is not fatal.
DWORD writeFile(const char* path, WriteFileAction& action, StreamedPool* payload, bool& damaged,
                const ExecutionContext* run = nullptr)
{
    if (copiedFromEarlier(path, action, payload, run ? run->expand : nullptr))
        return ERROR_SUCCESS;
    UniqueHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    FileWriter writer{file.get(), ERROR_SUCCESS, run};
    if (!writeContents(writer, action, payload, damaged)) {
        file.reset();
        DeleteFileA(path);
        return writer.error ? writer.error : DWORD(ERROR_WRITE_FAULT);
    }
    FILETIME time;
    time.dwLowDateTime = action.timeLow;
    time.dwHighDateTime = action.timeHigh;
    SetFileTimeSlot(file.get(), &time, &time, &time);
    return ERROR_SUCCESS;
}

// The extract-all name: prefix, then the stored path with every character a
// file name cannot hold made an underscore, so the name stays in the current
// folder. False when it does not fit.
bool extractName(const char* prefix, const char* path, char* name, size_t size)
{
    size_t prefixLength = strlen(prefix);
    size_t pathLength = strlen(path);
    if (prefixLength + pathLength >= size)
        return false;
    memcpy(name, prefix, prefixLength);
    for (size_t i = 0; i <= pathLength; ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        name[prefixLength + i] = (c && isForbiddenInName(c)) ? '_' : char(c);
    }
    return true;
}

// The copy's source: relative to the installer's own folder, an absolute
// source staying as it is. False when the combined path would not fit.
bool sourceBesideInstaller(const char* source, char* path)
{
    char installer[kPathSize];
    DWORD length = GetModuleFileNameA(nullptr, installer, sizeof installer);
    char* lastBackslash = length > 0 && length < sizeof installer ? strrchr(installer, '\\') : nullptr;
    if (!lastBackslash) {
        copyText(path, source);
        return true;
    }
    *lastBackslash = 0;
    return PathCombineA(path, installer, source) != nullptr;
}

}  // namespace

bool WriteFileAction::execute(ExecutionContext& context)
{
    ExpandFn expand = context.expand;
    UndoLog& log = *context.undoLog;
    char filePath[kPathSize];
    bool foldersTried = false;
    bool pathFits = expandPath(expand, path, filePath, sizeof filePath);
    KeptFile kept(pathFits ? filePath : "");
    for (;;) {
        pathFits = expandPath(expand, path, filePath, sizeof filePath);
        bool damaged = false;
        DWORD error =
            pathFits ? writeFile(filePath, *this, context.payload, damaged, &context) : DWORD(ERROR_FILENAME_EXCED_RANGE);
        if (damaged) {
            // No retry helps a damaged package: the installation stops.
            context.damagedPackage = true;
            return false;
        }
        if (error == ERROR_SUCCESS) {
            if (!kept.handOver(log) || !recordFile(log, filePath, 1)) {
                DeleteFileA(filePath);
                return false;
            }
            context.bytesInstalled += dataSize();
            return true;
        }
        // The user cancelled: the cut file is gone, and no question follows.
        if (context.stopAsked()) {
            context.cancelled = true;
            return false;
        }
        if (error == ERROR_PATH_NOT_FOUND && !foldersTried) {
            foldersTried = true;
            createFoldersOnPath(filePath, &log);
            continue;
        }
        SetLastError(error);
        int answer = askRetry(context.page, kCannotCreateFile, kErrorTitle, pathFits ? filePath : path.text());
        if (answer == IDIGNORE)
            return true;
        if (answer != IDRETRY)
            return false;
    }
}

void WriteFileAction::extract(const char* prefix, StreamedPool* payload)
{
    char name[kWorkNameSize];
    bool damaged = false;
    if (extractName(prefix, path.text(), name, sizeof name))
        writeFile(name, *this, payload, damaged);
}

bool CopyFileAction::execute(ExecutionContext& context)
{
    ExpandFn expand = context.expand;
    UndoLog& log = *context.undoLog;
    char expandedSource[kPathSize];
    char sourcePath[kPathSize];
    char destinationPath[kPathSize];
    if (!expandPath(expand, source, expandedSource, sizeof expandedSource) ||
        !sourceBesideInstaller(expandedSource, sourcePath) ||
        !expandPath(expand, destination, destinationPath, sizeof destinationPath))
        return true;
    if (GetFileAttributesA(sourcePath) == INVALID_FILE_ATTRIBUTES) {
        DeleteFileA(destinationPath);
        return true;
    }
    // The folders on the way are made and recorded as for a written file.
    char folders[kPathSize];
    copyText(folders, destinationPath);
    createFoldersOnPath(folders, &log);
    KeptFile kept(destinationPath);
    if (!CopyFileASlot(sourcePath, destinationPath, FALSE)) {
        DeleteFileA(destinationPath);
        return true;
    }
    if (!kept.handOver(log)) {
        DeleteFileA(destinationPath);
        return true;
    }
    if (!recordFile(log, destinationPath, 0)) {
        DeleteFileA(destinationPath);
        kept.putBackHandedOver();
        return true;
    }
    context.bytesInstalled += fileSize(destinationPath);
    return true;
}

bool DeleteFilesAction::execute(ExecutionContext& context)
{
    char pattern[kPathSize];
    if (expandPath(context.expand, pathPattern, pattern, sizeof pattern) &&
        !hasEmptyVariable(pathPattern.text(), context.expand))
        deleteMatchingKept(pattern, recurse != 0, *context.undoLog);
    return true;
}

bool RemoveOnUninstallAction::execute(ExecutionContext& context)
{
    char filePath[kPathSize];
    if (expandPath(context.expand, path, filePath, sizeof filePath))
        recordFile(*context.undoLog, filePath, 0, true);
    return true;
}

uint32_t RestoreFileRollback::undo(ExecutionContext&)
{
    if (keptCopy.isNull())
        CreateDirectoryASlot(path.text(), nullptr);
    else
        restoreKeptCopy(keptCopy.text(), path.text());
    return kUndoContinue;
}

void RestoreFileRollback::commit()
{
    // A deleted file kept aside keeps its attributes: read-only ones too.
    if (!keptCopy.isNull())
        deleteMatchedFile(keptCopy.text(), GetFileAttributesA(keptCopy.text()));
}

uint32_t RemoveFolderUndo::undo(ExecutionContext&)
{
    DWORD start = GetTickCountSlot();
    for (;;) {
        if (RemoveDirectoryASlot(path.text())) {
            SHChangeNotify(SHCNE_RMDIR, kNotifyPathNoWait, path.text(), nullptr);
            return kUndoContinue;
        }
        if (GetLastError() != ERROR_DIR_NOT_EMPTY || GetTickCountSlot() - start >= kFolderRetryMs)
            return kUndoContinue;
        Sleep(kFolderRetryPauseMs);
    }
}

uint32_t DeleteFileUndo::undo(ExecutionContext& context)
{
    for (;;) {
        if (deleteFile(path.text()) || !reportFailure)
            return kUndoContinue;
        int answer = askRetry(context.page, kCannotDeleteFile, kErrorTitle, path.text());
        if (answer == IDIGNORE)
            return kUndoContinue;
        if (answer != IDRETRY)
            return kUndoFailed;
    }
}
