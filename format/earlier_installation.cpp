#include "format/earlier_installation.h"

#include "format/unattended_rules.h"

#include <string.h>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool copyIfFits(const char* text, size_t length, char* path, size_t size)
{
    if (length == 0 || length >= size)
        return false;
    memcpy(path, text, length);
    path[length] = 0;
    return true;
}

}  // namespace

void composeEarlierTitle(const char* displayName, const char* displayVersion, const char* keyName, char* title,
                         size_t size)
{
    if (!displayName || !*displayName)
        formatTextOf(title, size, "%s", keyName);
    else if (displayVersion && *displayVersion)
        formatTextOf(title, size, "%s %s", displayName, displayVersion);
    else
        formatTextOf(title, size, "%s", displayName);
}

bool uninstallerOfCommand(const char* command, IsFileFn isFile, char* path, size_t size)
{
    while (isBlank(*command))
        ++command;
    if (*command == '"') {
        const char* start = command + 1;
        const char* close = strchr(start, '"');
        return close && copyIfFits(start, size_t(close - start), path, size) && isFile(path);
    }
    // Longest first: "C:\Program Files\Mines\uninstall.exe /S" tries the
    // whole command, then up to each blank from the last one back.
    size_t length = strlen(command);
    for (;;) {
        while (length > 0 && isBlank(command[length - 1]))
            --length;
        if (length == 0)
            return false;
        if (copyIfFits(command, length, path, size) && isFile(path))
            return true;
        while (length > 0 && !isBlank(command[length - 1]))
            --length;
    }
}
