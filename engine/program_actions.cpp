// Programs and library entry points on Windows: started at install, from the
// finish page, or recorded to run at uninstall.
#include "format/action.h"
#include "format/stub_texts.h"
#include "engine/ask_retry.h"
#include "engine/program_routines.h"
#include "format/field_limits.h"
#include "format/undo_entry.h"

#include <new>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(WaitForInputIdle, 8);

namespace {

// Expanded command-line fields; false when one did not fit or expand.
struct ProgramFields {
    char caption[kUndoCaptionSize];
    char commandLine[kCommandLineSize];
    char workingFolder[kExpandedPathSize];
};

bool expandProgram(ExpandFn expand, const Bytes* caption, const Bytes& commandLine, const Bytes& workingFolder,
                   ProgramFields& out)
{
    out.caption[0] = 0;
    if (caption && !expand(caption->text(), out.caption, sizeof out.caption))
        return false;
    return expand(commandLine.text(), out.commandLine, sizeof out.commandLine) &&
           expand(workingFolder.text(), out.workingFolder, sizeof out.workingFolder);
}

struct LibraryFields {
    char caption[kUndoCaptionSize];
    char library[kExpandedPathSize];
    char entryName[kExpandedPathSize];
    char argument[kCommandLineSize];
};

bool expandLibrary(ExpandFn expand, const Bytes* caption, const Bytes& library, const Bytes& entryName,
                   const Bytes& argument, LibraryFields& out)
{
    out.caption[0] = 0;
    if (caption && !expand(caption->text(), out.caption, sizeof out.caption))
        return false;
    return expand(library.text(), out.library, sizeof out.library) &&
           expand(entryName.text(), out.entryName, sizeof out.entryName) &&
           expand(argument.text(), out.argument, sizeof out.argument);
}

// A field that did not expand whole is never run cut short: the user is
// asked as when the program cannot start, with the error that says why.
StartResult refuseTooLong(WindowHandle owner, const char* format, const char* shown)
{
    for (;;) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        int answer = askRetry(owner, format, kErrorTitle, shown);
        if (answer == IDABORT)
            return StartResult::Aborted;
        if (answer == IDIGNORE)
            return StartResult::Ignored;
    }
}

const char* workingFolderOrNone(const char* folder)
{
    return folder[0] ? folder : nullptr;
}

// Expands the command line and working folder and starts the program.
StartResult startExpanded(ExpandFn expand, WindowHandle page, const Bytes& commandLine, const Bytes& workingFolder,
                          uint16_t show, StartedProcess& process)
{
    ProgramFields fields;
    if (!expandProgram(expand, nullptr, commandLine, workingFolder, fields))
        return refuseTooLong(page, kCannotExecute, commandLine.text());
    return startProcess(page, fields.commandLine, workingFolderOrNone(fields.workingFolder), show, process);
}

// Waits for a program that was started and reads its exit code.
bool waitForExitCode(StartedProcess& process, DWORD& exitCode)
{
    WaitForSingleObject(process.process.get(), INFINITE);
    return GetExitCodeProcess(process.process.get(), &exitCode) != 0;
}

}  // namespace

bool RunAction::execute(ExecutionContext& context)
{
    StartedProcess process;
    StartResult result = startExpanded(context.expand, context.page, commandLine, workingFolder, show, process);
    return result != StartResult::Aborted;
}

bool RunAtFinishAction::execute(ExecutionContext& context)
{
    StartedProcess process;
    StartResult result = startExpanded(context.expand, context.page, commandLine, workingFolder, show, process);
    if (result == StartResult::Started) {
        process.thread.reset();
        WaitForInputIdleSlot(process.process.get(), 2500);
    }
    return result != StartResult::Aborted;
}

bool RunAndWaitAction::execute(ExecutionContext& context)
{
    StartedProcess process;
    StartResult result = startExpanded(context.expand, context.page, commandLine, workingFolder, show, process);
    if (result != StartResult::Started)
        return result == StartResult::Ignored;
    process.thread.reset();
    DWORD exitCode = 0;
    if (!waitForExitCode(process, exitCode))
        return false;
    if (exitCode == kResultRestartNeeded) {
        context.restartNeeded = true;
        return true;
    }
    context.cancelled = exitCode == kResultCancelled;
    return exitCode == kResultSuccess;
}

bool RunOnUninstallAction::execute(ExecutionContext& context)
{
    ProgramFields fields;
    if (!expandProgram(context.expand, &stepCaption, commandLine, workingFolder, fields))
        return refuseTooLong(context.page, kCannotExecute, commandLine.text()) != StartResult::Aborted;
    RunProgramUndo* undo = context.undoLog->pushNew<RunProgramUndo>();
    if (!undo || !undo->stepCaption.assignText(fields.caption) || !undo->commandLine.assignText(fields.commandLine) ||
        !undo->workingFolder.assignText(fields.workingFolder)) {
        context.undoLog->dropNewest(undo);
        return false;
    }
    undo->show = show;
    return true;
}

bool CallLibraryAction::execute(ExecutionContext& context)
{
    LibraryFields fields;
    HWND owner = context.page ? GetParent(context.page) : nullptr;
    if (!expandLibrary(context.expand, nullptr, library, entryName, argument, fields))
        return refuseTooLong(owner, kCannotLoad, library.text()) != StartResult::Aborted;
    uint32_t result = callLibraryEntry(owner, fields.library, fields.entryName, fields.argument, context.restartNeeded);
    context.cancelled = result == kUndoCancelled;
    return result == kUndoContinue;
}

bool CallLibraryOnUninstallAction::execute(ExecutionContext& context)
{
    LibraryFields fields;
    if (!expandLibrary(context.expand, &stepCaption, library, entryName, argument, fields))
        return refuseTooLong(context.page, kCannotLoad, library.text()) != StartResult::Aborted;
    CallLibraryUndo* undo = context.undoLog->pushNew<CallLibraryUndo>();
    if (!undo || !undo->stepCaption.assignText(fields.caption) || !undo->library.assignText(fields.library) ||
        !undo->entryName.assignText(fields.entryName) || !undo->argument.assignText(fields.argument)) {
        context.undoLog->dropNewest(undo);
        return false;
    }
    return true;
}

uint32_t RunProgramUndo::undo(ExecutionContext& context)
{
    StartedProcess process;
    StartResult result =
        startProcess(context.page, commandLine.text(), workingFolderOrNone(workingFolder.text()), show, process);
    if (result == StartResult::Aborted)
        return kUndoFailed;
    if (result == StartResult::Ignored)
        return kUndoContinue;
    process.thread.reset();
    DWORD exitCode = 0;
    if (!waitForExitCode(process, exitCode))
        return kUndoFailed;
    return resultCodeToUndo(exitCode, context.restartNeeded);
}

uint32_t CallLibraryUndo::undo(ExecutionContext& context)
{
    HWND owner = context.page ? GetParent(context.page) : nullptr;
    return callLibraryEntry(owner, library.text(), entryName.text(), argument.text(), context.restartNeeded);
}
