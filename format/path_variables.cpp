#include "format/path_variables.h"

#include "format/startup_rules.h"

#include <string.h>

namespace {

enum class FolderKind : uint8_t {
    System,
    Windows,
    Shell,              // csidl
    ShellWithFallback,  // csidl, then fallback when the shell cannot locate it
    ProgramFiles,       // run state
    InstallFolder,      // run state
};

// Each variable's name, then how its folder is found. Packed: every shell
// folder number fits a byte.
#define SLIPWAY_PATH_VARIABLES(X)                                                                                      \
    X("SYSTEM", FolderKind::System, 0, 0, false)                                                                       \
    X("WINDOWS", FolderKind::Windows, 0, 0, false)                                                                     \
    X("STARTUP", FolderKind::Shell, kCsidlStartup, 0, false)                                                           \
    X("APPDATA", FolderKind::Shell, kCsidlAppData, 0, false)                                                           \
    X("PROGRAMS", FolderKind::Shell, kCsidlPrograms, 0, false)                                                         \
    X("STARTMENU", FolderKind::Shell, kCsidlStartMenu, 0, false)                                                       \
    X("PROGRAMFILES", FolderKind::ProgramFiles, 0, 0, false)                                                           \
    X("LOCALAPPDATA", FolderKind::Shell, kCsidlLocalAppData, 0, false)                                                 \
    X("COMMONSTARTUP", FolderKind::Shell, kCsidlCommonStartup, 0, false)                                               \
    X("COMMONAPPDATA", FolderKind::Shell, kCsidlCommonAppData, 0, false)                                               \
    X("PROGRAMSFOLDER", FolderKind::Shell, kCsidlPrograms, 0, true)                                                    \
    X("COMMONPROGRAMS", FolderKind::ShellWithFallback, kCsidlCommonPrograms, kCsidlPrograms, false)                    \
    X("COMMONSTARTMENU", FolderKind::Shell, kCsidlCommonStartMenu, 0, false)                                           \
    X("DESKTOPDIRECTORY", FolderKind::Shell, kCsidlDesktopDirectory, 0, false)                                         \
    X("PROGRAMFILESFOLDER", FolderKind::InstallFolder, 0, 0, false)                                                    \
    X("PROGRAMFILESCOMMON", FolderKind::Shell, kCsidlProgramFilesCommon, 0, false)                                     \
    X("COMMONPROGRAMSFOLDER", FolderKind::ShellWithFallback, kCsidlCommonPrograms, kCsidlPrograms, true)               \
    X("COMMONDESKTOPDIRECTORY", FolderKind::ShellWithFallback, kCsidlCommonDesktopDirectory, kCsidlDesktopDirectory,   \
      false)

struct PathVariable {
    FolderKind kind;
    uint8_t csidl;
    uint8_t fallbackCsidl;
    bool joinsProgramGroup;  // the folder, a backslash and programGroup
};

// The names one after another, each with its NUL, in the table's order: no
// pointer per entry for the loader to relocate.
#define SLIPWAY_PATH_VARIABLE_NAME(name, kind, csidl, fallback, joins) name "\0"
const char kPathVariableNames[] = SLIPWAY_PATH_VARIABLES(SLIPWAY_PATH_VARIABLE_NAME);
#define SLIPWAY_PATH_VARIABLE_ENTRY(name, kind, csidl, fallback, joins) {kind, csidl, fallback, joins},
const PathVariable kPathVariables[] = {SLIPWAY_PATH_VARIABLES(SLIPWAY_PATH_VARIABLE_ENTRY)};

// The roots a look-up may read below, each named by its short name and a
// colon ("HKLM:"), in the order of their values from HKEY_CLASSES_ROOT on.
// Written out here rather than found in the table of root names, which would
// bring every root's long name into the stub.
const char kLookUpPrefixes[] = "HKCR:HKCU:HKLM:";
const size_t kLookUpPrefixLength = 5;
const uint32_t kLookUpRootCount = 3;

// The output of an expansion: where the next byte goes and how many bytes
// are left for it, the final NUL included.
struct OutputCursor {
    char* position;
    size_t remaining;

    // A character needs its own byte and one left for the final NUL.
    bool put(char c)
    {
        if (remaining < 2)
            return false;
        *position++ = c;
        --remaining;
        return true;
    }
    // A text goes in whole or not at all.
    bool putWhole(const char* text)
    {
        size_t length = strlen(text);
        if (length > remaining - 1)
            return false;
        memcpy(position, text, length);
        position += length;
        remaining -= length;
        return true;
    }
    // As much of the text as fits; never fails.
    void putCut(const char* text, size_t length)
    {
        if (length > remaining - 1)
            length = remaining - 1;
        memcpy(position, text, length);
        position += length;
        remaining -= length;
    }
};

const PathVariable* findPathVariable(const char* name, size_t length)
{
    const char* candidate = kPathVariableNames;
    for (const PathVariable& variable : kPathVariables) {
        size_t candidateLength = strlen(candidate);
        if (candidateLength == length && memcmp(candidate, name, length) == 0)
            return &variable;
        candidate += candidateLength + 1;
    }
    return nullptr;
}

// The length of the look-up prefix a token starts with, its root in *root;
// 0 when the token is no look-up.
size_t registryPrefixOf(const char* token, size_t length, uint32_t* root)
{
    if (length < kLookUpPrefixLength)
        return 0;
    for (uint32_t i = 0; i < kLookUpRootCount; ++i) {
        if (memcmp(token, kLookUpPrefixes + i * kLookUpPrefixLength, kLookUpPrefixLength) == 0) {
            *root = kClassesRoot + i;
            return kLookUpPrefixLength;
        }
    }
    return 0;
}

// A registry value, or the fallback text when it cannot be read. The look-up
// is "key\value:fallback": the first colon starts the fallback (which may hold
// colons of its own), the last backslash before it ends the key path.
void readRegistryText(const PathVariableSource& source, uint32_t root, const char* lookUp, size_t length,
                      OutputCursor& out)
{
    if (out.remaining == 0)
        return;
    const char* colon = static_cast<const char*>(memchr(lookUp, ':', length));
    size_t keyAndValueLength = colon ? size_t(colon - lookUp) : length;
    const char* fallback = colon ? colon + 1 : lookUp + length;
    size_t fallbackLength = size_t(lookUp + length - fallback);

    // Key path and value name are split in a copy, so both end in a NUL.
    Bytes keyAndValue;
    if (keyAndValue.assign(lookUp, keyAndValueLength)) {
        char* text = reinterpret_cast<char*>(keyAndValue.data());
        const char* keyPath = "";
        const char* valueName = text;
        char* backslash = nullptr;
        for (size_t i = 0; i < keyAndValueLength; ++i)
            if (text[i] == '\\')
                backslash = text + i;
        if (backslash) {
            *backslash = 0;
            keyPath = text;
            valueName = backslash + 1;
        }
        // The value is read straight into the output, bounded by the space
        // left; it counts only when its NUL lies within that space.
        if (source.readRegistryValue(root, keyPath, valueName, out.position, out.remaining)) {
            const char* end = static_cast<const char*>(memchr(out.position, 0, out.remaining));
            if (end) {
                size_t valueLength = size_t(end - out.position);
                out.position += valueLength;
                out.remaining -= valueLength;
                return;
            }
        }
    }
    out.putCut(fallback, fallbackLength);
    *out.position = 0;
}

// The folder text of a path variable, at most 260 characters.
void produceFolder(const PathVariableSource& source, const PathVariable& variable, char* folder)
{
    folder[0] = 0;
    switch (variable.kind) {
    case FolderKind::System: source.systemFolder(folder, kFolderBufferSize); break;
    case FolderKind::Windows: source.windowsFolder(folder, kFolderBufferSize); break;
    case FolderKind::Shell: source.shellFolder(variable.csidl, folder, kFolderBufferSize); break;
    case FolderKind::ShellWithFallback:
        source.shellFolderWithFallback(variable.csidl, variable.fallbackCsidl, folder, kFolderBufferSize);
        break;
    case FolderKind::ProgramFiles: copyTruncated(folder, kFolderBufferSize, source.programFilesFolder()); break;
    case FolderKind::InstallFolder: copyTruncated(folder, kFolderBufferSize, source.installFolder()); break;
    }
    folder[kFolderBufferSize - 1] = 0;
    if (!variable.joinsProgramGroup)
        return;
    size_t length = strlen(folder);
    if ((length == 0 || folder[length - 1] != '\\') && length < kFolderBufferSize - 1)
        folder[length++] = '\\';
    copyTruncated(folder + length, kFolderBufferSize - length, source.programGroup());
}

// What follows a dollar sign that is not part of "$$": the token up to the
// next dollar sign, or null when the text ends first.
const char* tokenEnd(const char* token)
{
    return strchr(token, '$');
}

bool expandInto(const PathVariableSource& source, const char* text, OutputCursor& out)
{
    const char* p = text;
    while (*p) {
        if (*p != '$') {
            if (!out.put(*p))
                return false;
            ++p;
            continue;
        }
        if (p[1] == '$') {
            if (!out.put('$'))
                return false;
            p += 2;
            continue;
        }
        const char* token = p + 1;
        const char* end = tokenEnd(token);
        if (!end)
            return false;
        size_t length = size_t(end - token);
        uint32_t root = 0;
        if (size_t prefixLength = registryPrefixOf(token, length, &root)) {
            readRegistryText(source, root, token + prefixLength, length - prefixLength, out);
        } else {
            const PathVariable* variable = findPathVariable(token, length);
            if (!variable)
                return false;
            char folder[kFolderBufferSize];
            produceFolder(source, *variable, folder);
            // A folder that does not fit is left out whole, never cut.
            if (!out.putWhole(folder))
                return false;
        }
        p = end + 1;
    }
    return true;
}

}  // namespace

bool expandWithSource(const PathVariableSource& source, const char* text, char* output, size_t outputSize)
{
    if (outputSize == 0)
        return false;
    OutputCursor out{output, outputSize};
    bool expanded = expandInto(source, text ? text : "", out);
    *out.position = 0;
    return expanded;
}

bool checkPathVariables(const char* text, size_t* errorOffset, const char** reason)
{
    const char* p = text;
    while (*p) {
        if (*p != '$') {
            ++p;
            continue;
        }
        if (p[1] == '$') {
            p += 2;
            continue;
        }
        const char* token = p + 1;
        const char* end = tokenEnd(token);
        size_t length = end ? size_t(end - token) : 0;
        uint32_t root = 0;
        if (!end || (!registryPrefixOf(token, length, &root) && !findPathVariable(token, length))) {
            if (errorOffset)
                *errorOffset = size_t(p - text);
            if (reason)
                *reason = end ? "unknown path variable (names are upper case, or a registry look-up "
                                "starting with HKCR:, HKCU: or HKLM:; write $$ for a dollar sign)"
                              : "a \"$\" without its closing \"$\" (write $$ for a dollar sign)";
            return false;
        }
        p = end + 1;
    }
    return true;
}

Bytes expandToNewString(const char* text, ExpandFn expand)
{
    Bytes result;
    Bytes work;
    if (!work.allocate(kExpandWorkSize))
        return result;
    char* buffer = reinterpret_cast<char*>(work.data());
    buffer[0] = 0;
    expand(text, buffer, kExpandWorkSize);
    buffer[kExpandWorkSize - 1] = 0;
    result.assignText(buffer);
    return result;
}
