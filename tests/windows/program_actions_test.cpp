// Programs started and library entry points called by the program and
// library steps, with the recording program and library of the tests:
// what they receive, the result codes, and every prompt of the failure
// table answered as a user would.
#include "support/file_steps.h"
#include "support/program_fixtures.h"
#include "support/test_environment.h"
#include "support/wine_host.h"

#include "engine/program_routines.h"
#include "uiauto/ui_automation.h"

#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The steps of the tables: install actions and the undo entries of the
// uninstaller. An action's true reads as kGoOn and its false as kStop, so
// one column holds the outcome of both.
enum class Step {
    Run,
    RunAtFinish,
    RunAndWait,
    RunOnUninstall,
    RunProgramUndo,
    CallLibrary,
    CallLibraryOnUninstall,
    CallLibraryUndo,
};

const uint32_t kGoOn = 0;
const uint32_t kStop = 1;
const uint32_t kCancelled = 2;

const char* stepName(Step step)
{
    switch (step) {
    case Step::Run: return "Run";
    case Step::RunAtFinish: return "RunAtFinish";
    case Step::RunAndWait: return "RunAndWait";
    case Step::RunOnUninstall: return "RunOnUninstall";
    case Step::RunProgramUndo: return "RunProgramUndo";
    case Step::CallLibrary: return "CallLibrary";
    case Step::CallLibraryOnUninstall: return "CallLibraryOnUninstall";
    case Step::CallLibraryUndo: return "CallLibraryUndo";
    }
    return "?";
}

bool isLibraryStep(Step step)
{
    return step == Step::CallLibrary || step == Step::CallLibraryOnUninstall || step == Step::CallLibraryUndo;
}

// The fields of one step; undo entries take them as stored, actions expand them.
struct StepInput {
    std::string caption;
    std::string commandLine;
    std::string folder;
    uint16_t show = 0xFFFF;
    std::string library;
    std::string entry;
    std::string argument;
};

template <typename Fields>
void fillProgram(Fields& fields, const StepInput& input)
{
    fields.commandLine.assignText(input.commandLine.c_str());
    fields.workingFolder.assignText(input.folder.c_str());
    fields.show = input.show;
}

template <typename Fields>
void fillLibrary(Fields& fields, const StepInput& input)
{
    fields.library.assignText(input.library.c_str());
    fields.entryName.assignText(input.entry.c_str());
    fields.argument.assignText(input.argument.c_str());
}

uint32_t outcomeOf(bool proceed)
{
    return proceed ? kGoOn : kStop;
}

std::string commandFor(const std::string& program, const std::string& record, DWORD code, const std::string& more = "")
{
    return uiauto::quoteArgument(program) + " " + uiauto::quoteArgument(record) + " " + std::to_string(code) +
           (more.empty() ? "" : " " + more);
}

// The folder of the running test, for the expander (a plain function).
std::string stepFolder;

// "$DIR$" is the running test's folder; any other token fails the
// expansion, as an unknown name does, and so does a text that does not fit.
bool expandStepText(const char* source, char* output, size_t size)
{
    std::string text;
    bool ok = true;
    for (const char* p = source; *p && ok; ++p) {
        if (strncmp(p, "$DIR$", 5) == 0) {
            text += stepFolder;
            p += 4;
        } else if (*p == '$') {
            ok = false;
        } else {
            text += *p;
        }
    }
    if (text.size() + 1 > size) {
        ok = false;
        text.resize(size - 1);
    }
    memcpy(output, text.c_str(), text.size() + 1);
    return ok;
}

// A folder of its own for every test, also for the parameterised ones
// (whose names hold a slash), and a page that owns the prompts.
class ProgramStepTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), 1252u) << "the tests expect Wine's ANSI code page to be Windows-1252";
        ASSERT_NE(window.page(), nullptr) << "the page window could not be made";
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "-" + test->name();
        for (char& c : name)
            if (c == '/')
                c = '-';
        // Wine hands out the same process ids run after run: a folder that a
        // crashed run left behind is cleared first.
        removeTestTree(makeTestFolder(name));
        folder = makeTestFolder(name);
        ASSERT_TRUE(fileExists(folder) && folderEntries(folder).empty()) << folder << " could not be made empty";
        stepFolder = folder;
    }
    void TearDown() override { removeTestTree(folder); }

    std::string at(const std::string& relative) const { return folder + "\\" + relative; }

    bool execute(Action& action) { return action.execute(context); }

    // The step, on the calling thread (a worker). The finish page runs its
    // programs without an owner window, the others get the page.
    uint32_t perform(Step step, const StepInput& input)
    {
        switch (step) {
        case Step::Run: {
            RunAction action;
            fillProgram(action, input);
            return outcomeOf(execute(action));
        }
        case Step::RunAtFinish: {
            RunAtFinishAction action;
            fillProgram(action, input);
            ExecutionContext finishPage = context;
            finishPage.page = nullptr;
            bool ok = action.execute(finishPage);
            context.restartNeeded = finishPage.restartNeeded;
            return outcomeOf(ok);
        }
        case Step::RunAndWait: {
            RunAndWaitAction action;
            action.stepCaption.assignText(input.caption.c_str());
            fillProgram(action, input);
            return outcomeOf(execute(action));
        }
        case Step::RunOnUninstall: {
            RunOnUninstallAction action;
            action.stepCaption.assignText(input.caption.c_str());
            fillProgram(action, input);
            return outcomeOf(execute(action));
        }
        case Step::RunProgramUndo: {
            RunProgramUndo undo;
            undo.stepCaption.assignText(input.caption.c_str());
            fillProgram(undo, input);
            return undo.undo(context);
        }
        case Step::CallLibrary: {
            CallLibraryAction action;
            action.stepCaption.assignText(input.caption.c_str());
            fillLibrary(action, input);
            return outcomeOf(execute(action));
        }
        case Step::CallLibraryOnUninstall: {
            CallLibraryOnUninstallAction action;
            action.stepCaption.assignText(input.caption.c_str());
            fillLibrary(action, input);
            return outcomeOf(execute(action));
        }
        case Step::CallLibraryUndo: {
            CallLibraryUndo undo;
            undo.stepCaption.assignText(input.caption.c_str());
            fillLibrary(undo, input);
            return undo.undo(context);
        }
        }
        return 99;
    }

    // On a worker, as the install thread runs it; a prompt fails the test.
    uint32_t performQuietly(Step step, const StepInput& input)
    {
        uint32_t result = 99;
        WorkerRun worker([&] { result = perform(step, input); });
        Prompt prompt = worker.nextPrompt();
        EXPECT_EQ(prompt.box, nullptr) << "unexpected prompt: " << prompt.text;
        EXPECT_TRUE(worker.finish());
        return result;
    }

    // The owner of a step's prompts: the frame of the page they are shown
    // for (the page itself, a child window, cannot own one), none on the
    // finish page.
    HWND ownerOf(Step step) const { return step == Step::RunAtFinish ? nullptr : window.frame(); }

    StepInput runRecording(const std::string& record, DWORD code) const
    {
        StepInput input;
        input.caption = "Running";
        input.commandLine = commandFor(recordingProgramPath(), at(record), code);
        return input;
    }

    StepInput callRecording(const std::string& record, DWORD code, const std::string& entry = "Every",
                            const std::string& text = "text") const
    {
        StepInput input;
        input.caption = "Calling";
        input.library = recordingLibraryPath();
        input.entry = entry;
        input.argument = libraryArgument(at(record), code, text);
        return input;
    }

    PageWindow& window = PageWindow::shared();
    std::string folder;
    UninstallScript target;
    ExecutionContext context{&target.undoLog, expandStepText, window.page()};
};

// ------------------------------------------------------------------ what a program receives

TEST_F(ProgramStepTest, WaitedProgramGetsItsCommandLineFolderAndShowCommand)
{
    ASSERT_TRUE(CreateDirectoryA(at("work").c_str(), nullptr));
    StepInput input = runRecording("record.txt", 0);
    input.commandLine += " \"with blank\" last";
    input.folder = "$DIR$\\work";
    input.show = SW_SHOWMINNOACTIVE;
    EXPECT_EQ(performQuietly(Step::RunAndWait, input), kGoOn);
    Record record = readRecord(at("record.txt"));
    ASSERT_TRUE(record.exists);
    EXPECT_EQ(record["commandLine"], input.commandLine);
    EXPECT_EQ(record["folder"], at("work"));
    EXPECT_EQ(record["show"], "7");
}

TEST_F(ProgramStepTest, ShowNormalIsPassedAndNoneLeavesTheChoiceToTheProgram)
{
    StepInput normal = runRecording("normal.txt", 0);
    normal.show = SW_SHOWNORMAL;
    EXPECT_EQ(performQuietly(Step::RunAndWait, normal), kGoOn);
    EXPECT_EQ(readRecord(at("normal.txt"))["show"], "1");

    StepInput none = runRecording("none.txt", 0);
    EXPECT_EQ(performQuietly(Step::RunAndWait, none), kGoOn);
    EXPECT_EQ(readRecord(at("none.txt"))["show"], "none");
}

TEST_F(ProgramStepTest, EmptyWorkingFolderInheritsTheInstallersCurrentFolder)
{
    CurrentFolder current(folder);
    EXPECT_EQ(performQuietly(Step::RunAndWait, runRecording("inherit.txt", 0)), kGoOn);
    EXPECT_EQ(readRecord(at("inherit.txt"))["folder"], folder);
}

TEST_F(ProgramStepTest, UndoProgramRunsAsStoredInItsFolder)
{
    ASSERT_TRUE(CreateDirectoryA(at("undo").c_str(), nullptr));
    StepInput input = runRecording("undo.txt", 0);
    input.folder = at("undo");
    input.show = SW_HIDE;
    EXPECT_EQ(performQuietly(Step::RunProgramUndo, input), kGoOn);
    Record record = readRecord(at("undo.txt"));
    EXPECT_EQ(record["commandLine"], input.commandLine);
    EXPECT_EQ(record["folder"], at("undo"));
    EXPECT_EQ(record["show"], "0");
}

TEST_F(ProgramStepTest, ProgramsThatAreNotWaitedForRunOnAfterTheStep)
{
    ProgramHold hold("SlipwayProgramStepsHold");
    ASSERT_TRUE(hold.held());
    for (Step step : {Step::Run, Step::RunAtFinish}) {
        std::string name = std::string(stepName(step)) + ".txt";
        StepInput input = runRecording(name, 1);
        input.commandLine += " hold:SlipwayProgramStepsHold";
        // The step is done while its program still waits to record.
        EXPECT_EQ(performQuietly(step, input), kGoOn) << stepName(step);
        EXPECT_FALSE(fileExists(at(name))) << stepName(step);
    }
    hold.release();
    EXPECT_TRUE(waitForRecord(at("Run.txt")).exists);
    EXPECT_TRUE(waitForRecord(at("RunAtFinish.txt")).exists);
}

TEST_F(ProgramStepTest, RunOnUninstallRecordsItsFieldsExpandedAndRunsNothing)
{
    StepInput input = runRecording("later.txt", 0);
    input.caption = "Tidying $DIR$";
    input.commandLine = "\"$DIR$\\tidy.exe\" /all";
    input.folder = "$DIR$";
    input.show = SW_SHOWNORMAL;
    EXPECT_EQ(performQuietly(Step::RunOnUninstall, input), kGoOn);
    ASSERT_EQ(target.undoLog.count(), 1u);
    ASSERT_EQ(target.undoLog.first()->kind(), RunProgramUndo::kKind);
    auto* undo = static_cast<RunProgramUndo*>(target.undoLog.first());
    EXPECT_STREQ(undo->caption(), ("Tidying " + folder).c_str());
    EXPECT_EQ(std::string(undo->commandLine.text()), "\"" + folder + "\\tidy.exe\" /all");
    EXPECT_EQ(std::string(undo->workingFolder.text()), folder);
    EXPECT_EQ(undo->show, SW_SHOWNORMAL);
}

TEST_F(ProgramStepTest, CallLibraryOnUninstallRecordsItsFieldsExpandedAndCallsNothing)
{
    StepInput input = callRecording("never.txt", 0);
    input.caption = "Unregistering";
    input.library = "$DIR$\\lib.dll";
    input.argument = "$DIR$";
    EXPECT_EQ(performQuietly(Step::CallLibraryOnUninstall, input), kGoOn);
    ASSERT_EQ(target.undoLog.count(), 1u);
    ASSERT_EQ(target.undoLog.first()->kind(), CallLibraryUndo::kKind);
    auto* undo = static_cast<CallLibraryUndo*>(target.undoLog.first());
    EXPECT_STREQ(undo->caption(), "Unregistering");
    EXPECT_EQ(std::string(undo->library.text()), folder + "\\lib.dll");
    EXPECT_EQ(std::string(undo->entryName.text()), "Every");
    EXPECT_EQ(std::string(undo->argument.text()), folder);
    EXPECT_FALSE(fileExists(at("never.txt")));
}

// ------------------------------------------------------------------ what an entry point receives

struct EntryCase {
    const char* entry;   // as the package names it
    const char* called;  // the export that must be called
    bool wide;
};

class EntryPointTest : public ProgramStepTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryPointTest, SuffixDecidesTheExportAndTheArgumentsForm)
{
    const EntryCase& c = GetParam();
    // "café" in Windows-1252.
    StepInput input = callRecording("entry.txt", 0, c.entry, "caf\xE9");
    for (Step step : {Step::CallLibrary, Step::CallLibraryUndo}) {
        DeleteFileA(at("entry.txt").c_str());
        EXPECT_EQ(performQuietly(step, input), kGoOn) << stepName(step);
        Record record = readRecord(at("entry.txt"));
        ASSERT_TRUE(record.exists) << stepName(step);
        EXPECT_EQ(record["entry"], c.called);
        std::wstring wide(input.argument.begin(), input.argument.end() - 1);
        wide += L'\u00E9';
        EXPECT_EQ(record["argument"], c.wide ? hexUnits(wide) : hexBytes(input.argument));
        EXPECT_EQ(record["owner"], pointerText(window.frame()));
        EXPECT_EQ(record["instance"], pointerText(GetModuleHandleA(nullptr)));
        EXPECT_EQ(record["show"], "1");
    }
}

INSTANTIATE_TEST_SUITE_P(ProgramSteps, EntryPointTest,
                         ::testing::Values(EntryCase{"Every", "EveryW", true}, EntryCase{"WideOnly", "WideOnlyW", true},
                                           EntryCase{"AnsiAndPlain", "AnsiAndPlainA", false},
                                           EntryCase{"PlainOnly", "PlainOnly", false}),
                         [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.entry); });

// ------------------------------------------------------------------ result codes

struct ResultCase {
    Step step;
    DWORD code;
    uint32_t outcome;
    bool restart;
};

void PrintTo(const ResultCase& c, std::ostream* out)
{
    *out << stepName(c.step) << " ending with " << c.code;
}

class ResultCodeTest : public ProgramStepTest, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(ResultCodeTest, CodeDecidesTheOutcomeAndTheRestart)
{
    const ResultCase& c = GetParam();
    StepInput input = isLibraryStep(c.step) ? callRecording("result.txt", c.code) : runRecording("result.txt", c.code);
    EXPECT_EQ(performQuietly(c.step, input), c.outcome);
    EXPECT_EQ(context.restartNeeded, c.restart);
    EXPECT_TRUE(waitForRecord(at("result.txt")).exists) << "the step did not run";

    // A restart asked for once is never taken back.
    context.restartNeeded = true;
    StepInput again = isLibraryStep(c.step) ? callRecording("again.txt", 0) : runRecording("again.txt", 0);
    EXPECT_EQ(performQuietly(c.step, again), kGoOn);
    EXPECT_TRUE(context.restartNeeded);
    waitForRecord(at("again.txt"));
}

const ResultCase kResultCases[] = {
    {Step::RunAndWait, 0, kGoOn, false},
    {Step::RunAndWait, 3010, kGoOn, true},
    {Step::RunAndWait, 1602, kStop, false},
    {Step::RunAndWait, 1, kStop, false},
    // Not waited for: no code can stop the installation or ask for a restart.
    {Step::Run, 1, kGoOn, false},
    {Step::Run, 3010, kGoOn, false},
    {Step::RunAtFinish, 1, kGoOn, false},
    {Step::RunAtFinish, 1602, kGoOn, false},
    {Step::RunProgramUndo, 0, kGoOn, false},
    {Step::RunProgramUndo, 3010, kGoOn, true},
    {Step::RunProgramUndo, 1602, kCancelled, false},
    {Step::RunProgramUndo, 1, kStop, false},
    {Step::CallLibrary, 0, kGoOn, false},
    {Step::CallLibrary, 3010, kGoOn, true},
    {Step::CallLibrary, 1602, kStop, false},
    {Step::CallLibrary, 1, kStop, false},
    {Step::CallLibraryUndo, 0, kGoOn, false},
    {Step::CallLibraryUndo, 3010, kGoOn, true},
    {Step::CallLibraryUndo, 1602, kCancelled, false},
    {Step::CallLibraryUndo, 1, kStop, false},
};

INSTANTIATE_TEST_SUITE_P(ProgramSteps, ResultCodeTest, ::testing::ValuesIn(kResultCases),
                         [](const ::testing::TestParamInfo<ResultCase>& info) {
                             return std::string(stepName(info.param.step)) + "Ends" + std::to_string(info.param.code);
                         });

// ------------------------------------------------------------------ prompts

enum class Trouble {
    MissingProgram,  // "Cannot execute"
    MissingLibrary,  // "Cannot load"
    MissingEntry,    // "Cannot get entry point"
    TooLongField,    // a field that does not expand whole: never used cut
};

const char* troubleName(Trouble trouble)
{
    switch (trouble) {
    case Trouble::MissingProgram: return "MissingProgram";
    case Trouble::MissingLibrary: return "MissingLibrary";
    case Trouble::MissingEntry: return "MissingEntry";
    case Trouble::TooLongField: return "TooLongField";
    }
    return "?";
}

struct PromptCase {
    Step step;
    Trouble trouble;
    int answer;  // IDABORT, IDIGNORE or IDRETRY
    uint32_t outcome;
    bool done;  // the program ran, the entry was called, or the undo entry was recorded
};

void PrintTo(const PromptCase& c, std::ostream* out)
{
    *out << stepName(c.step) << " with " << troubleName(c.trouble) << " answered " << c.answer;
}

const char* answerName(int answer)
{
    return answer == IDABORT ? "Abort" : answer == IDIGNORE ? "Ignore" : "Retry";
}

class PromptTest : public ProgramStepTest, public ::testing::WithParamInterface<PromptCase> {
protected:
    // The step's fields with the trouble in them, the prompt it must raise,
    // and what Retry finds fixed (nothing, when the trouble stays).
    struct Setup {
        StepInput input;
        std::string text;
        std::function<void()> fix;
    };

    Setup setupFor(const PromptCase& c)
    {
        Setup s;
        // Expands to more than any buffer holds: $DIR$ is a long folder name.
        std::string tooLong;
        for (int i = 0; i < 80; ++i)
            tooLong += "$DIR$\\";
        switch (c.trouble) {
        case Trouble::MissingProgram:
            s.input = runRecording("record.txt", 0);
            s.input.commandLine = commandFor(at("later.exe"), at("record.txt"), 0);
            s.text = promptText("Cannot execute \"" + s.input.commandLine + "\"", ERROR_FILE_NOT_FOUND);
            s.fix = [this] { CopyFileA(recordingProgramPath().c_str(), at("later.exe").c_str(), FALSE); };
            break;
        case Trouble::MissingLibrary:
            s.input = callRecording("record.txt", 0);
            s.input.library = at("later.dll");
            s.text = promptText("Cannot load \"" + s.input.library + "\"", ERROR_MOD_NOT_FOUND);
            s.fix = [this] { CopyFileA(recordingLibraryPath().c_str(), at("later.dll").c_str(), FALSE); };
            break;
        case Trouble::MissingEntry:
            s.input = callRecording("record.txt", 0, "Missing");
            s.text =
                promptText("Cannot get entry point \"Missing\" of \"" + s.input.library + "\"", ERROR_PROC_NOT_FOUND);
            break;
        case Trouble::TooLongField:
            if (isLibraryStep(c.step)) {
                s.input = callRecording("record.txt", 0);
                s.input.library = tooLong + "lib.dll";
                s.text = promptText("Cannot load \"" + s.input.library + "\"", ERROR_FILENAME_EXCED_RANGE);
            } else {
                s.input = runRecording("record.txt", 0);
                s.input.commandLine += " " + tooLong;
                s.text = promptText("Cannot execute \"" + s.input.commandLine + "\"", ERROR_FILENAME_EXCED_RANGE);
            }
            break;
        }
        return s;
    }
};

TEST_P(PromptTest, AnswerDecidesTheOutcome)
{
    const PromptCase& c = GetParam();
    Setup s = setupFor(c);
    uint32_t result = 99;
    WorkerRun worker([&] { result = perform(c.step, s.input); });

    Prompt prompt = worker.nextPrompt();
    ASSERT_NE(prompt.box, nullptr) << "no prompt";
    EXPECT_EQ(prompt.text, s.text);
    EXPECT_EQ(prompt.caption, "Error");
    EXPECT_EQ(prompt.buttons, (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
    EXPECT_EQ(prompt.defaultButton, IDRETRY);
    EXPECT_EQ(prompt.owner, ownerOf(c.step));
    if (c.answer == IDRETRY && s.fix)
        s.fix();
    EXPECT_TRUE(worker.answer(prompt, c.answer));
    if (c.answer == IDRETRY && !s.fix) {
        // Nothing changed: the same question again, then Abort.
        Prompt again = worker.nextPrompt();
        ASSERT_NE(again.box, nullptr) << "Retry did not try again";
        EXPECT_EQ(again.text, s.text);
        EXPECT_TRUE(worker.answer(again, IDABORT));
    }
    Prompt another = worker.nextPrompt();
    EXPECT_EQ(another.box, nullptr) << "a further prompt: " << another.text;
    ASSERT_TRUE(worker.finish());

    EXPECT_EQ(result, c.outcome);
    bool recordsUndo = c.step == Step::RunOnUninstall || c.step == Step::CallLibraryOnUninstall;
    bool done = recordsUndo ? target.undoLog.count() == 1
                : c.done    ? waitForRecord(at("record.txt")).exists
                            : fileExists(at("record.txt"));
    EXPECT_EQ(done, c.done);
    EXPECT_FALSE(context.restartNeeded);
}

const PromptCase kPromptCases[] = {
    // A program that cannot be started: Abort stops, Ignore skips it.
    {Step::RunAndWait, Trouble::MissingProgram, IDABORT, kStop, false},
    {Step::RunAndWait, Trouble::MissingProgram, IDIGNORE, kGoOn, false},
    {Step::RunAndWait, Trouble::MissingProgram, IDRETRY, kGoOn, true},
    {Step::Run, Trouble::MissingProgram, IDABORT, kStop, false},
    {Step::Run, Trouble::MissingProgram, IDIGNORE, kGoOn, false},
    {Step::RunAtFinish, Trouble::MissingProgram, IDABORT, kStop, false},
    {Step::RunAtFinish, Trouble::MissingProgram, IDIGNORE, kGoOn, false},
    {Step::RunProgramUndo, Trouble::MissingProgram, IDABORT, kStop, false},
    {Step::RunProgramUndo, Trouble::MissingProgram, IDIGNORE, kGoOn, false},
    {Step::RunProgramUndo, Trouble::MissingProgram, IDRETRY, kGoOn, true},
    // A library that cannot be loaded: Ignore counts as success.
    {Step::CallLibrary, Trouble::MissingLibrary, IDABORT, kStop, false},
    {Step::CallLibrary, Trouble::MissingLibrary, IDIGNORE, kGoOn, false},
    {Step::CallLibrary, Trouble::MissingLibrary, IDRETRY, kGoOn, true},
    {Step::CallLibraryUndo, Trouble::MissingLibrary, IDABORT, kStop, false},
    {Step::CallLibraryUndo, Trouble::MissingLibrary, IDIGNORE, kGoOn, false},
    {Step::CallLibraryUndo, Trouble::MissingLibrary, IDRETRY, kGoOn, true},
    // An entry point the library does not export.
    {Step::CallLibrary, Trouble::MissingEntry, IDABORT, kStop, false},
    {Step::CallLibrary, Trouble::MissingEntry, IDIGNORE, kGoOn, false},
    {Step::CallLibrary, Trouble::MissingEntry, IDRETRY, kStop, false},
    {Step::CallLibraryUndo, Trouble::MissingEntry, IDABORT, kStop, false},
    {Step::CallLibraryUndo, Trouble::MissingEntry, IDIGNORE, kGoOn, false},
    // A field too long for its buffer is never run or called cut short.
    {Step::RunAndWait, Trouble::TooLongField, IDABORT, kStop, false},
    {Step::RunAndWait, Trouble::TooLongField, IDIGNORE, kGoOn, false},
    {Step::RunAndWait, Trouble::TooLongField, IDRETRY, kStop, false},
    {Step::Run, Trouble::TooLongField, IDIGNORE, kGoOn, false},
    {Step::RunAtFinish, Trouble::TooLongField, IDABORT, kStop, false},
    {Step::RunOnUninstall, Trouble::TooLongField, IDABORT, kStop, false},
    {Step::RunOnUninstall, Trouble::TooLongField, IDIGNORE, kGoOn, false},
    {Step::CallLibrary, Trouble::TooLongField, IDABORT, kStop, false},
    {Step::CallLibrary, Trouble::TooLongField, IDIGNORE, kGoOn, false},
    {Step::CallLibraryOnUninstall, Trouble::TooLongField, IDIGNORE, kGoOn, false},
};

INSTANTIATE_TEST_SUITE_P(ProgramSteps, PromptTest, ::testing::ValuesIn(kPromptCases),
                         [](const ::testing::TestParamInfo<PromptCase>& info) {
                             return std::string(stepName(info.param.step)) + troubleName(info.param.trouble) +
                                    answerName(info.param.answer);
                         });

TEST_F(ProgramStepTest, OverLongCaptionOfAnUninstallStepIsRefusedToo)
{
    StepInput input = runRecording("record.txt", 0);
    input.caption = std::string(200, 'c');
    uint32_t result = 99;
    WorkerRun worker([&] { result = perform(Step::RunOnUninstall, input); });
    Prompt prompt = worker.nextPrompt();
    ASSERT_NE(prompt.box, nullptr) << "no prompt";
    EXPECT_EQ(prompt.text, promptText("Cannot execute \"" + input.commandLine + "\"", ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(worker.answer(prompt, IDABORT));
    ASSERT_TRUE(worker.finish());
    EXPECT_EQ(result, kStop);
    EXPECT_EQ(target.undoLog.count(), 0u);
}

}  // namespace
