// An earlier installation of the product, found under the system's
// Uninstall key before installing, and what the installation needs to take
// it away as its first step (and to put it back should it fail).
#pragma once

#include "format/field_limits.h"
#include "format/uninstall_script.h"

#include <stddef.h>

#include <memory>

// "DisplayName DisplayVersion" and the row caption made of it: room for a
// product's name and version, which the list of programs shows on one line.
constexpr size_t kEarlierTitleSize = 160;
constexpr size_t kEarlierVersionSize = 64;

struct EarlierInstallation {
    // Its entry's name under the Uninstall key, as found (expanded).
    char keyName[kRegistryNameSize] = {};
    // Its "UninstallString", with the unattended switch behind it in
    // silent mode: run as it stands when it is not one of ours.
    char command[kCommandLineSize] = {};
    // The uninstaller's file, taken from the command; empty when the
    // command names no file that exists.
    char uninstallerPath[kExpandedPathSize] = {};
    // "DisplayVersion", possibly empty, and the name shown for it:
    // "DisplayName DisplayVersion", or the entry's name without a
    // DisplayName.
    char version[kEarlierVersionSize] = {};
    char title[kEarlierTitleSize] = {};
    // The step row of its removal.
    char caption[kEarlierTitleSize + 16] = {};
    // Its uninstall package, read when the installation starts; null for an
    // uninstaller that carries none (another program, or a damaged one),
    // which then runs as a program of its own.
    std::unique_ptr<UninstallScript> package;
    // Set once its removal has begun: a failed installation puts it back.
    bool removalBegun = false;
};

// The title from what the entry holds: "DisplayName DisplayVersion", the
// name alone without a version, the key name without a DisplayName; cut to
// fit.
void composeEarlierTitle(const char* displayName, const char* displayVersion, const char* keyName, char* title,
                         size_t size);

// The program an uninstall command starts: the text in the quotes of a
// quoted command, else the longest start of the command, cut at a blank,
// that `isFile` accepts (an unquoted path may hold blanks, and an argument
// may follow it). False when there is none or it does not fit `size`.
typedef bool (*IsFileFn)(const char* path);
bool uninstallerOfCommand(const char* command, IsFileFn isFile, char* path, size_t size);
