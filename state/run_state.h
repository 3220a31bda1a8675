// The process-wide run state: written by start-up before the wizard runs,
// read by every part of the stub. What it owns, it owns alone: a worker that
// needs one of its resources takes it out (moves it), and start-up takes
// back the rest only once no worker runs (waitForWorkers).
#pragma once

#include "format/bytes.h"
#include "format/install_script.h"
#include "format/startup_rules.h"
#include "format/unique_resource.h"
#include "format/action_script.h"
#include "format/earlier_installation.h"
#include "format/pointer_list.h"
#include "format/streamed_pool.h"

struct UninstallScript;

#include <stdint.h>
#include <stdio.h>

#include <atomic>
#include <memory>

struct RunState {
    uint16_t showCommand = 0;
    // Read, and ended by leaveSilentMode, on the wizard's thread and on the
    // loading thread alike.
    std::atomic<uint8_t> silentMode{0};
    uint8_t noUninstall = 0;
    uint8_t extractAllFiles = 0;
    // The package's path for texts (the log, the uninstall entry); the
    // package is opened by `ownPath` when it is this program's own file.
    char packagePath[kPathBufferSize] = {};
    std::unique_ptr<wchar_t[]> ownPath;
    uint32_t osClass = 0;
    uint32_t isWow64 = 0;
    // The package, open behind block 0: start-up puts it here; block 1 is
    // read from it by the loading thread and, file by file, by the install
    // thread, until start-up closes it.
    UniqueFile packageFile;
    // Package bytes left between the stream position and the trailer, for
    // the reader of block 1.
    uint64_t packageBytesLeft = 0;
    Bytes stubImage;
    // Block 0, lent by start-up's package, which outlives every worker.
    InstallScript* installScript = nullptr;
    // Uninstall mode: the uninstall package.
    std::unique_ptr<UninstallScript> uninstallScript;
    // Built by the loading thread from block 1; null until then, or when
    // block 1 could not be read.
    std::unique_ptr<ActionScript> actionScript;
    // Block 1 as a stream, where the files' contents are decoded from as
    // they are written; made with the action script. Declared behind the
    // file it reads, so it goes first.
    std::unique_ptr<StreamedPool> payload;
    // One byte per component of the action script, 1 = selected.
    std::unique_ptr<uint8_t[]> componentSelected;
    uint32_t componentCount = 0;
    uint32_t activePageFlags = 0;
    char programGroup[kPathBufferSize] = {};
    char programFilesFolder[kPathBufferSize] = {};
    char installFolder[kPathBufferSize] = {};
    const char* finishPageText = nullptr;  // null reads as empty
    // Only the wizard's thread uses it: a worker's restart flag comes over
    // with its WM_INSTALL_DONE.
    uint8_t restartNeeded = 0;
    uint32_t parentProcess = 0;
    // Set for a copy whose launcher was started with /quiet or /passive: the
    // launcher waits for the copy's end and its exit code, so the copy moves
    // the running uninstaller aside instead of ending it.
    uint8_t launcherWaits = 0;
    // /allowdowngrade: a silent run may replace a newer version.
    uint8_t allowDowngrade = 0;
    // The install folder came from /dir=: it stays, also in a silent upgrade.
    uint8_t folderFromCommandLine = 0;
    // How the work ended: the wizard's pages and threads set it, start-up
    // turns it into the exit code.
    RunOutcome outcome = RunOutcome::Unfinished;
    // The user answered Yes to cancelling the file writes: set on the
    // wizard's thread, read by the install thread at every file and chunk.
    std::atomic<bool> stopRequested{false};
    // The earlier installations the last search found, in the order of the
    // package's list; the install thread removes them first.
    PointerList<EarlierInstallation> earlierInstallations;

    uint32_t stubSize() const { return uint32_t(stubImage.size()); }
};

extern RunState runState;

// The run state's address, hidden from the optimiser so that it stays in a
// register: for a function that hands out or writes several of its fields,
// each then takes an offset from that register rather than a four-byte
// address the loader has to relocate.
inline RunState& heldRunState()
{
    RunState* state = &runState;
    __asm__("" : "+r"(state));
    return *state;
}
