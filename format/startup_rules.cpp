#include "format/startup_rules.h"

#include "format/decimal_text.h"

#include <stdio.h>
#include <string.h>

uint32_t osClassFor(uint32_t platformId, uint32_t major, uint32_t minor)
{
    if (platformId == kPlatformWin9x) {
        if (major < 4 || (major == 4 && minor == 0))
            return OsWin95;
        if (major == 4 && minor < 90)
            return OsWin98;
        return OsWinMe;
    }
    if (platformId == kPlatformNt) {
        if (major <= 4)
            return OsWinNt4;
        if (major == 5)
            return minor == 0 ? OsWin2000 : OsWinXp;
        if (major == 6 && minor == 0)
            return OsWinVista;
        return OsWin7;
    }
    return OsWin95;
}

const char* commandLineTail(const char* commandLine)
{
    const char* p = commandLine;
    if (!p)
        return "";
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (static_cast<unsigned char>(*p) > ' ')
            ++p;
    }
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    return p;
}

StartupSwitches parseSwitches(const char* tail)
{
    StartupSwitches s;
    s.installerInfo = strcmp(tail, "-installerinfo") == 0;
    s.silentMode = findFlagOutsideValues(tail, "passive");
    s.quiet = findFlagOutsideValues(tail, "quiet");
    s.silentMode = s.silentMode || s.quiet;
    s.noUninstall = findFlagOutsideValues(tail, "nouninstall");
    s.extractAllFiles = strcmp(tail, "-extractallfiles") == 0;
    const char* ip = findOutsideValues(tail, "-ip ");
    s.packagePathArgument = ip ? ip + 4 : nullptr;
    s.help = findSwitch(tail, "?") || findSwitch(tail, "help");
    s.noRestart = findSwitch(tail, "norestart") != nullptr;
    s.allowDowngrade = findSwitch(tail, "allowdowngrade") != nullptr;
    s.dir = findSwitchValue(tail, "dir=", s.dirValue, sizeof s.dirValue);
    s.log = findSwitchValue(tail, "log=", s.logValue, sizeof s.logValue);
    return s;
}

bool takePackagePath(const char* argument, char* packagePath, size_t size)
{
    size_t length = strlen(argument);
    if (size == 0 || length >= size)
        return false;
    memcpy(packagePath, argument, length + 1);
    return true;
}

bool parseDoitArgument(const char* tail, uint32_t* parentProcess)
{
    if (strncmp(tail, "doit=", 5) != 0)
        return false;
    const char* digit = tail + 5;
    uint64_t value = 0;
    for (; *digit >= '0' && *digit <= '9'; ++digit) {
        value = value * 10 + uint64_t(*digit - '0');
        // A handle value is 32 bits: a longer number names none.
        if (value > 0xFFFFFFFFu)
            return false;
    }
    if (digit == tail + 5)
        return false;
    *parentProcess = uint32_t(value);
    return true;
}

bool composeCopyCommandLine(const char* copyPath, uint32_t processHandle, const char* tail, char* commandLine,
                            size_t size)
{
    char digits[11];
    digits[writeDecimal(processHandle, digits)] = 0;
    const char* parts[] = {"\"", copyPath, "\" doit=", digits, " ", tail};
    size_t used = 0;
    for (const char* part : parts) {
        size_t length = strlen(part);
        if (length >= size - used)
            return false;
        memcpy(commandLine + used, part, length);
        used += length;
    }
    commandLine[used] = 0;
    return true;
}

void copyTruncated(char* destination, size_t size, const char* source)
{
    if (size == 0)
        return;
    size_t length = strlen(source);
    if (length >= size)
        length = size - 1;
    memcpy(destination, source, length);
    destination[length] = 0;
}

void programFilesFolderFrom(const char* value, char* folder, size_t size)
{
    copyTruncated(folder, size, value ? value : "C:");
    size_t length = strlen(folder);
    if (length && folder[length - 1] == '\\')
        folder[length - 1] = 0;
}

void composeInstallFolder(const char* programFilesFolder, const char* defaultFolder, char* installFolder, size_t size)
{
    if (size == 0)
        return;
    installFolder[0] = 0;
    size_t used = 0;
    const char* parts[] = {programFilesFolder, "\\", defaultFolder};
    for (const char* part : parts) {
        size_t room = size - 1 - used;
        size_t length = strlen(part);
        if (length > room)
            length = room;
        memcpy(installFolder + used, part, length);
        used += length;
    }
    installFolder[used] = 0;
}
