// Writing the uninstaller at the end of a successful installation: the stub
// image with an uninstall package behind it, and its entry under the
// system's Uninstall key.
#pragma once

#include "format/install_script.h"
#include "format/action.h"
#include "format/action_script.h"
#include "format/uninstall_script.h"

#include <memory>

// The uninstall script of an install run, texts expanded, undo log empty.
// Null when memory runs out.
std::unique_ptr<UninstallScript> buildUninstallScript(const InstallScript& install, const ActionScript& actions,
                                                      ExpandFn expand);

// Writes the uninstaller file and registers it. A file that cannot be
// written whole is deleted and nothing is registered: a registered
// uninstaller that cannot open is worse than none. Nothing is reported; the
// installation counts as successful either way.
void writeUninstaller(const UninstallScript& script, const ActionScript& actions, uint32_t& bytesInstalled);

// "%04u%02u%02u" of a date.
void formatInstallDate(unsigned year, unsigned month, unsigned day, char out[9]);
