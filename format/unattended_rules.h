// The pure rules of runs without a person: the switches that carry a value
// (/dir=, /log=) and those that stand alone (/norestart, /allowdowngrade,
// /?), the install folder a /dir= names, the exit code a run ends with, and
// the text of the run log's lines.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

// Exit codes, as deployment tools and package managers read them.
constexpr uint32_t kExitSuccess = 0;
constexpr uint32_t kExitElevationFailed = 1;
constexpr uint32_t kExitCancelled = 1602;
constexpr uint32_t kExitFailed = 1603;
constexpr uint32_t kExitDamagedPackage = 1620;
constexpr uint32_t kExitOtherVersionInstalled = 1638;
constexpr uint32_t kExitRestartNeeded = 3010;

// How the work of a run ended, as far as the run got.
enum class RunOutcome : uint8_t {
    Unfinished,        // the wizard ended before the work: the user cancelled it
    Succeeded,         // installed, removed, or extracted
    Failed,            // stopped and rolled back, or a removal that failed
    Cancelled,         // a program or entry point answered 1602
    DamagedPackage,    // the package (or its action block) cannot be read
    UnusableFolder,    // the /dir= folder cannot be used
    ElevationFailed,   // administrator rights could not be had
    DowngradeRefused,  // a silent run found a higher version installed
};

struct RunFacts {
    RunOutcome outcome = RunOutcome::Unfinished;
    bool restartNeeded = false;  // a step asked for a restart
    bool restarting = false;     // and the restart has been started
};

uint32_t exitCodeFor(const RunFacts& facts);

// True for the exit codes a run of this program ends with. Anything else (a
// status of the system's loader, a crash) means the run never got to say
// how its work ended.
bool isRunExitCode(uint32_t code);

// A switch of the tail, "/NAME" or "-NAME", standing at the start of the
// tail, after a blank or after a double quote. Returns what follows the
// name, or null when the switch is not there. A stand-alone switch must end
// there (end of tail, blank or quote); a valued NAME ends with '='.
// Never found inside the value of /dir=, /log= or -ip.
const char* findSwitch(const char* tail, const char* name);

// The first place of `text` in the tail (a plain substring match), leaving
// out the values of /dir=, /log= and the package path of -ip; null when it
// is not there.
const char* findOutsideValues(const char* tail, const char* text);

// Whether "/NAME" or "-NAME" is in the tail (a plain substring match after
// the prefix), leaving out the same values as findOutsideValues.
bool findFlagOutsideValues(const char* tail, const char* name);

enum class SwitchValue : uint8_t { Absent, Taken, TooLong };

// The value of "/NAME=VALUE" or "-NAME=VALUE" (NAME given with its '='): in
// double quotes, or up to the next blank; a quote before the switch
// ("/NAME=VALUE" quoted whole) ends the value at its closing quote. Copied
// into `value` of `size` bytes; a value that does not fit is refused, not cut.
SwitchValue findSwitchValue(const char* tail, const char* name, char* value, size_t size);

enum class FolderProblem : uint8_t { None, NotFullPath, TooLong, BadCharacter, IsAFile };

// The longest folder that can still be created (MAX_PATH less room for an
// 8.3 name, as CreateDirectory has it).
constexpr size_t kLongestInstallFolder = 247;

// Checks the folder of a /dir= switch: a full path ("C:\..." or
// "\\server\..."), no character a folder name cannot hold and no
// empty part, at most kLongestInstallFolder characters once one trailing
// backslash is dropped (a drive root keeps its own). Writes it into `folder`
// of `size` bytes when it is usable.
FolderProblem checkInstallFolder(const char* value, char* folder, size_t size);

// Why a folder cannot be used, for the message and the log.
const char* folderProblemText(FolderProblem problem);

// Formats `format` with %s (null reads "(none)") and %u (uint32_t) into
// `out` of `size` bytes, cut to fit and always terminated; "%%" is a percent
// sign. Returns the length written.
size_t formatTextOf(char* out, size_t size, const char* format, ...);

// One line of the run log: "hh:mm:ss " and the formatted text, ended by
// CR LF, cut to fit `size` with its line end kept. Returns the length.
size_t formatLogLine(char* out, size_t size, unsigned hour, unsigned minute, unsigned second, const char* format,
                     va_list args);
