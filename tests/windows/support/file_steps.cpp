#include "support/file_steps.h"

#include "support/test_environment.h"
#include "support/wine_host.h"

#include <string.h>

#include <algorithm>
#include <ostream>

namespace {

// The folder of the running test, for the expander (a plain function).
std::string currentTestFolder;

}  // namespace

bool testExpand(const char* source, char* output, size_t size)
{
    std::string text;
    bool ok = true;
    for (const char* p = source; *p;) {
        if (*p != '$') {
            text += *p++;
            continue;
        }
        const char* close = strchr(p + 1, '$');
        std::string name = close ? std::string(p + 1, close) : std::string();
        if (name == "DIR")
            text += currentTestFolder;
        else if (name == "DRIVE")
            text += "C:";
        else if (name != "EMPTY") {
            ok = false;
            break;
        }
        p = close + 1;
    }
    if (text.size() + 1 > size) {
        ok = false;
        text.resize(size - 1);
    }
    memcpy(output, text.c_str(), text.size() + 1);
    return ok;
}

bool fileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string contents;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        contents.append(buffer, got);
    CloseHandle(file);
    return contents;
}

bool writeFile(const std::string& path, const std::string& contents)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr) && written == contents.size();
    CloseHandle(file);
    return ok;
}

uint64_t lastWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

HeldFile::HeldFile(const std::string& path)
{
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
}

void HeldFile::release()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

CurrentFolder::CurrentFolder(const std::string& folder)
{
    GetCurrentDirectoryA(sizeof saved_, saved_);
    SetCurrentDirectoryA(folder.c_str());
}

CurrentFolder::~CurrentFolder()
{
    SetCurrentDirectoryA(saved_);
}

void PrintTo(const RecordedEntry& entry, std::ostream* out)
{
    *out << (entry.kind == RemoveFolderUndo::kKind ? "RemoveFolderUndo(" : "DeleteFileUndo(") << entry.path;
    if (entry.kind == DeleteFileUndo::kKind)
        *out << ", reportFailure " << entry.reportFailure;
    *out << ")";
}

std::vector<RecordedEntry> recordedEntries(const UndoLog& log)
{
    std::vector<RecordedEntry> entries;
    for (UndoEntry* entry = log.first(); entry; entry = entry->next) {
        if (entry->isRollbackOnly())
            continue;
        if (entry->kind() == RemoveFolderUndo::kKind)
            entries.push_back(folderEntry(static_cast<RemoveFolderUndo*>(entry)->path.text()));
        else if (entry->kind() == DeleteFileUndo::kKind) {
            auto* file = static_cast<DeleteFileUndo*>(entry);
            entries.push_back(fileEntry(file->path.text(), file->reportFailure));
        } else
            entries.push_back({entry->kind(), "<other kind>", 0});
    }
    return entries;
}

RecordedEntry folderEntry(const std::string& path)
{
    return {RemoveFolderUndo::kKind, path, 0};
}

RecordedEntry fileEntry(const std::string& path, uint32_t reportFailure)
{
    return {DeleteFileUndo::kKind, path, reportFailure};
}

std::string promptText(const std::string& stepText, DWORD error)
{
    char text[1024];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string system(text, length);
    system.erase(system.find_last_not_of(" \t\r\n.") + 1);
    return stepText + ":\n" + system;
}

void FileStepTest::SetUp()
{
    ASSERT_NE(window.page(), nullptr) << "the page window could not be made";
    // Wine hands out the same process ids run after run: a tree that a
    // crashed run left behind is cleared first.
    removeTestTree(makeTestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    folder = makeTestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_TRUE(folderEntries(folder).empty()) << folder << " could not be cleared";
    currentTestFolder = folder;
}

void FileStepTest::TearDown()
{
    removeTestTree(folder);
}

void FileStepTest::runQuietly(const std::function<void()>& step)
{
    WorkerRun worker(step);
    Prompt prompt = worker.nextPrompt();
    EXPECT_EQ(prompt.box, nullptr) << "unexpected prompt: " << prompt.text;
    EXPECT_TRUE(worker.finish());
}

bool FileStepTest::executeQuietly(Action& action)
{
    bool result = false;
    runQuietly([&] { result = execute(action); });
    return result;
}

uint32_t FileStepTest::undoQuietly(UndoEntry& entry)
{
    uint32_t result = 99;
    runQuietly([&] { result = entry.undo(context); });
    return result;
}
