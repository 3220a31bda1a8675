// An earlier installation's uninstall log carried out inside a new
// installation, every change kept for the new installation's rollback: the
// earlier version is gone once the new one has succeeded, and back as it
// was should the new one fail.
#pragma once

#include "format/execution_context.h"
#include "format/undo_entry.h"

// Carries out `earlier` as its own uninstaller would, custom steps first
// and then the reversals, newest first, recording into context.undoLog how
// to put each change back: files and shortcuts are moved aside in their
// folder, registry values kept. Folders stay until the installation has
// succeeded (removeLeftFolders), and so do the programs' and entry points'
// effects, which nothing can undo. Returns kUndoContinue, or what stopped
// the removal (a prompt's Abort, a program's cancel).
uint32_t removeKeptAside(const UndoLog& earlier, ExecutionContext& context);

// After the installation has succeeded: the earlier version's folders that
// are empty now go. One the new version uses is left, and from here on
// `successor` (the new uninstall log) removes it, after everything else.
void removeLeftFolders(const UndoLog& earlier, UndoLog& successor);
