// File and folder steps on Windows.
#include "engine/action.h"
#include "engine/undo_entry.h"

bool WriteFileAction::execute(UninstallScript&, ExpandFn, WindowHandle, uint32_t&, bool&) { return false; }
void WriteFileAction::extract(const char*) {}
bool CopyFileAction::execute(UninstallScript&, ExpandFn, WindowHandle, uint32_t&, bool&) { return false; }
bool DeleteFilesAction::execute(UninstallScript&, ExpandFn, WindowHandle, uint32_t&, bool&) { return false; }
bool RemoveOnUninstallAction::execute(UninstallScript&, ExpandFn, WindowHandle, uint32_t&, bool&) { return false; }
uint32_t RemoveFolderUndo::undo(WindowHandle, bool&) { return kUndoFailed; }
uint32_t DeleteFileUndo::undo(WindowHandle, bool&) { return kUndoFailed; }
