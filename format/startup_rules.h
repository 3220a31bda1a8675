// The pure rules of start-up: command-line tail and switches, Windows version
// classes, and the Program Files and install folder rules.
#pragma once

#include "format/field_limits.h"
#include "format/os_classes.h"
#include "format/unattended_rules.h"

#include <stddef.h>
#include <stdint.h>

// Size of the path buffers of the run state (260 characters and the NUL).
constexpr size_t kPathBufferSize = kExpandedPathSize;

constexpr uint32_t kPlatformWin9x = 1;
constexpr uint32_t kPlatformNt = 2;

// The class of a version query's answer; OsWin95 for any other platform.
uint32_t osClassFor(uint32_t platformId, uint32_t major, uint32_t minor);

// The command line after the program name and the blanks behind it: a quoted
// name ends at its closing quote, an unquoted one at the first character not
// above blank.
const char* commandLineTail(const char* commandLine);

constexpr uint16_t kShowMinNoActive = 7;

// What the switches of a command-line tail ask for.
struct StartupSwitches {
    bool installerInfo = false;    // the whole tail is "-installerinfo"
    bool silentMode = false;       // "-passive" or "/passive", "-quiet" or "/quiet" anywhere
    bool quiet = false;            // "-quiet" or "/quiet": the wizard stays minimised
    bool noUninstall = false;      // "-nouninstall" or "/nouninstall" anywhere
    bool extractAllFiles = false;  // the whole tail is "-extractallfiles"
    // Everything after "-ip " to the end of the tail, or null.
    const char* packagePathArgument = nullptr;
    bool help = false;       // "/?" or "/help": the switches are shown, nothing runs
    bool noRestart = false;  // "/norestart": a needed restart is left to the caller
    // "/allowdowngrade": a silent run may install over a higher version.
    bool allowDowngrade = false;
    // "/dir=FOLDER": the install folder; "/log=FILE": the run's log.
    SwitchValue dir = SwitchValue::Absent;
    char dirValue[kPathBufferSize] = {};
    SwitchValue log = SwitchValue::Absent;
    char logValue[kPathBufferSize] = {};
};

StartupSwitches parseSwitches(const char* tail);

// Copies the "-ip " argument into a package path buffer. False when it does
// not fit: such a path is refused, never cut into some other path.
bool takePackagePath(const char* argument, char* packagePath, size_t size);

// The uninstaller copy's "doit=%u" at the start of the tail.
bool parseDoitArgument(const char* tail, uint32_t* parentProcess);

// The size of the launcher's buffer for the copy's command line.
constexpr size_t kCopyCommandLineSize = 296;

// The uninstaller copy's command line: the copy's path in quotes, so that a
// temporary folder with blanks still leaves "doit=" at the start of the
// copy's tail, then "doit=" with the launcher's process handle and the
// launcher's own tail. False when it does not fit the buffer.
bool composeCopyCommandLine(const char* copyPath, uint32_t processHandle, const char* tail, char* commandLine,
                            size_t size);

// programFilesFolder from the "ProgramFilesDir" value (null when it could
// not be read): "C:" when missing, one trailing backslash dropped.
void programFilesFolderFrom(const char* value, char* folder, size_t size);
// installFolder = folder, backslash, defaultFolder, cut to fit the buffer.
void composeInstallFolder(const char* programFilesFolder, const char* defaultFolder, char* installFolder, size_t size);

// Copies at most size - 1 characters and always terminates.
void copyTruncated(char* destination, size_t size, const char* source);
