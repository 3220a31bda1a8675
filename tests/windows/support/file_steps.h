// What the tests of the file and folder steps share: a folder of their own, a
// page that owns the prompts, a stand-in expander, and small file helpers.
#pragma once

#include "support/page_window.h"
#include "support/worker_run.h"

#include "format/action.h"
#include "format/undo_entry.h"
#include "format/uninstall_script.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

// The tests' expander: "$DIR$" is the current test's folder, "$EMPTY$" is
// nothing, "$DRIVE$" is "C:", and any other token ("$FAIL$") fails the
// expansion with the text so far, as an unknown name does. False when the
// output does not fit, with what fitted.
bool testExpand(const char* source, char* output, size_t size);

// A packaged time stamp: 2020-01-01 00:00:00 UTC.
constexpr uint64_t kPackagedTime = 132223104000000000ull;

bool fileExists(const std::string& path);
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& contents);
uint64_t lastWriteTime(const std::string& path);
// The names in a folder, "." and ".." left out, sorted.
std::vector<std::string> folderEntries(const std::string& folder);

// A file held open without sharing, as another program might: nobody else
// can write, delete or copy it until it is released.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile() { release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void release();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The current folder changed for one test and put back afterwards.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder);
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    char saved_[MAX_PATH + 1] = {};
};

// One undo entry as the tests compare it.
struct RecordedEntry {
    uint32_t kind;
    std::string path;
    uint32_t reportFailure;
    bool operator==(const RecordedEntry& other) const
    {
        return kind == other.kind && path == other.path && reportFailure == other.reportFailure;
    }
};
void PrintTo(const RecordedEntry& entry, std::ostream* out);

// The file and folder entries of a log, newest first.
// The entries that reach the uninstaller, newest first (rollback-only ones
// are left out).
std::vector<RecordedEntry> recordedEntries(const UndoLog& log);
RecordedEntry folderEntry(const std::string& path);
RecordedEntry fileEntry(const std::string& path, uint32_t reportFailure);

// What a prompt says for a failed step: its text, ":\n" and the system's
// text for the error without the closing full stop.
std::string promptText(const std::string& stepText, DWORD error);

class FileStepTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A path in the test's folder.
    std::string at(const std::string& relative) const { return folder + "\\" + relative; }

    // Runs a step on a worker, as the install thread does; a prompt fails the
    // test (and is answered with Abort).
    void runQuietly(const std::function<void()>& step);
    bool executeQuietly(Action& action);
    uint32_t undoQuietly(UndoEntry& entry);

    bool execute(Action& action) { return action.execute(context); }

    PageWindow& window = PageWindow::shared();
    std::string folder;
    UninstallScript target;
    // As the install thread runs the steps: recording into `target`, with
    // the page owning the prompts.
    ExecutionContext context{&target.undoLog, testExpand, window.page()};
};
