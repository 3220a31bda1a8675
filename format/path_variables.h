// Path variables and registry look-ups in package texts: the text rules.
//
// A package text may hold tokens between two dollar signs: an upper-case name
// that stands for a folder of the running machine or one chosen in the wizard
// ("$PROGRAMFILESFOLDER$\app.exe"), or a registry look-up
// ("$HKLM:Software\Vendor\Product\InstallDir:C:\Default$"); "$$" is one dollar
// sign. The rules here are portable; the folders and registry values come from
// a PathVariableSource, which the stub answers with Win32 and the host tests
// with fixed texts.
#pragma once

#include "format/bytes.h"
#include "format/field_limits.h"
#include "format/action.h"
#include "format/registry_roots.h"

#include <stddef.h>
#include <stdint.h>

// The shell folders the path variables name, by their CSIDL numbers.
enum ShellFolder : int {
    kCsidlPrograms = 2,
    kCsidlStartup = 7,
    kCsidlStartMenu = 11,
    kCsidlDesktopDirectory = 16,
    kCsidlCommonStartMenu = 22,
    kCsidlCommonPrograms = 23,
    kCsidlCommonStartup = 24,
    kCsidlCommonDesktopDirectory = 25,
    kCsidlAppData = 26,
    kCsidlLocalAppData = 28,
    kCsidlCommonAppData = 35,
    kCsidlProgramFilesCommon = 43,
};

// Size of the buffer every folder text is produced in: 260 characters and NUL.
constexpr size_t kFolderBufferSize = kExpandedPathSize;

// Size of the work buffer of expandToNewString.
constexpr size_t kExpandWorkSize = 32768;

// Where the expander gets the machine's folders and registry values from.
// Every folder operation writes a NUL-terminated text of at most size - 1
// characters, the empty string when the folder cannot be had.
class PathVariableSource {
public:
    virtual void systemFolder(char* buffer, size_t size) const = 0;
    virtual void windowsFolder(char* buffer, size_t size) const = 0;
    virtual void shellFolder(int csidl, char* buffer, size_t size) const = 0;
    // The fallback folder is located only when the first cannot be.
    virtual void shellFolderWithFallback(int csidl, int fallbackCsidl, char* buffer, size_t size) const = 0;
    // The run state's folders, read at every expansion so later changes show.
    virtual const char* programFilesFolder() const = 0;
    virtual const char* installFolder() const = 0;
    virtual const char* programGroup() const = 0;
    // Reads a text value of the registry into `out`. True only when the value
    // is a text that fits in outSize bytes with its NUL; `out` then holds it
    // NUL-terminated. An empty value name reads the key's default value.
    virtual bool readRegistryValue(uint32_t root, const char* keyPath, const char* valueName, char* out,
                                   size_t outSize) const = 0;

protected:
    ~PathVariableSource() = default;
};

// Copies `source` into `output` of `outputSize` bytes (NUL included),
// replacing every token. False on an unknown or unterminated token or when the
// space runs out; the output is then NUL-terminated after what was produced
// up to the offending token or character. A look-up never fails: a value that
// cannot be read yields its fallback text.
bool expandWithSource(const PathVariableSource& source, const char* text, char* output, size_t outputSize);

// For the builder: true when every token of `text` is a known name or a
// registry look-up and every dollar sign is closed, i.e. the stub will expand
// it. Otherwise *errorOffset is the offset of the offending dollar sign and
// *reason says what is wrong.
bool checkPathVariables(const char* text, size_t* errorOffset, const char** reason);

// Expands into a work buffer of kExpandWorkSize bytes and returns a copy of
// exactly the expanded text and its NUL, whatever the expansion returned; a
// null run when memory cannot be had.
Bytes expandToNewString(const char* text, ExpandFn expand);
