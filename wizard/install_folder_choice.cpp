#include "wizard/install_folder_choice.h"

#include "format/startup_rules.h"
#include "format/stub_texts.h"
#include "format/unattended_rules.h"

#include <string.h>

namespace {

// Cuts the last part off a folder longer than its root, keeping the root.
void cutLastPart(char* folder, size_t root)
{
    char* last = strrchr(folder, '\\');
    size_t cut = last ? size_t(last - folder) : 0;
    folder[cut < root ? root : cut] = 0;
}

}  // namespace

size_t pathRootLength(const char* path)
{
    if (path[0] && path[1] == ':')
        return path[2] == '\\' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') ? 3 : 0;
    if (path[0] != '\\')
        return 0;
    if (path[1] != '\\')
        return 1;
    // "\\server\share\": up to the fourth backslash, or the whole text.
    size_t length = 0;
    for (int seen = 0; path[length]; ++length)
        if (path[length] == '\\' && ++seen == 4)
            return length + 1;
    return length;
}

void cutToExistingFolder(char* folder, FolderProbe& probe)
{
    size_t root = pathRootLength(folder);
    if (root == 0)
        folder[0] = 0;
    while (*folder && !probe.exists(folder)) {
        if (strlen(folder) <= root)
            folder[0] = 0;
        else
            cutLastPart(folder, root);
    }
}

void splitInstallFolder(const char* installFolder, FolderProbe& probe, BrowseFolders& out)
{
    char* start = out.startFolder;
    char* subPath = out.subPath;
    copyTruncated(subPath, kFolderPathSize, installFolder);
    size_t root = pathRootLength(subPath);
    size_t length = strlen(subPath);
    while (length > root && subPath[length - 1] == '\\')
        subPath[--length] = 0;
    memcpy(start, subPath, length + 1);
    // A reinstall: the folder is there, and only its last part is the
    // product's own. Otherwise all below its nearest existing ancestor, or
    // below the root when not even that exists.
    if (root && length > root && probe.exists(start))
        cutLastPart(start, root);
    cutToExistingFolder(start, probe);
    size_t kept = *start ? strlen(start) : root;
    while (subPath[kept] == '\\')
        ++kept;
    memmove(subPath, subPath + kept, length - kept + 1);
}

FolderChoice joinChosenFolder(const char* chosen, const char* subPath, char* out, size_t size)
{
    size_t chosenLength = strlen(chosen);
    if (chosenLength == 0)
        return FolderChoice::NoFileSystemPath;
    size_t subLength = strlen(subPath);
    bool separator = subLength && chosen[chosenLength - 1] != '\\';
    if (chosenLength + separator + subLength >= size)
        return FolderChoice::TooLong;
    memcpy(out, chosen, chosenLength);
    if (separator)
        out[chosenLength] = '\\';
    memcpy(out + chosenLength + separator, subPath, subLength + 1);
    return FolderChoice::Chosen;
}

FolderChoice chooseInstallFolder(const char* chosen, const BrowseFolders& folders, char* out, size_t size)
{
    // The shell names the start folder as the browser was given it; any
    // other name of it (another case) joins to the same folder.
    if (*chosen && strcmp(chosen, folders.startFolder) == 0)
        return FolderChoice::Unchanged;
    return joinChosenFolder(chosen, folders.subPath, out, size);
}

void describeTooLongFolder(const char* chosen, const char* subPath, char* out, size_t size)
{
    static_assert(kFolderPathSize == 260, "the message names the longest folder");
    size_t chosenLength = strlen(chosen);
    const char* separator = chosenLength && chosen[chosenLength - 1] != '\\' ? "\\" : "";
    formatTextOf(out, size, kChosenFolderTooLong, chosen, separator, subPath);
}
