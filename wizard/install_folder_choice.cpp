#include "wizard/install_folder_choice.h"

#include "format/startup_rules.h"
#include "format/stub_texts.h"

#include <string.h>

namespace {

// "D:" alone: a drive without its root.
bool isBareDrive(const char* text, size_t length)
{
    return length == 2 && text[1] == ':';
}

// Whether the backslash at `offset` is the one of a root ("\" or "D:\").
bool isRootBackslash(const char* text, size_t offset)
{
    return offset == 0 || isBareDrive(text, offset);
}

// Copies `length` characters of `text`, cut to the buffer, and terminates.
void copyPart(char* out, size_t size, const char* text, size_t length)
{
    if (length >= size)
        length = size - 1;
    memcpy(out, text, length);
    out[length] = 0;
}

// Appends to a terminated text in a buffer of `size` bytes, cutting what
// does not fit.
void appendCut(char* out, size_t size, const char* text)
{
    size_t used = strlen(out);
    copyTruncated(out + used, size - used, text);
}

}  // namespace

void splitInstallFolder(const char* installFolder, BrowseFolders& out)
{
    out.startFolder[0] = 0;
    out.leaf[0] = 0;
    size_t length = strlen(installFolder);
    const char* last = strrchr(installFolder, '\\');
    if (!last) {
        if (isBareDrive(installFolder, length)) {
            copyPart(out.startFolder, sizeof out.startFolder, installFolder, length);
            appendCut(out.startFolder, sizeof out.startFolder, "\\");
        } else {
            copyTruncated(out.leaf, sizeof out.leaf, installFolder);
        }
        return;
    }
    size_t offset = size_t(last - installFolder);
    copyTruncated(out.leaf, sizeof out.leaf, last + 1);
    copyPart(out.startFolder, sizeof out.startFolder, installFolder,
             isRootBackslash(installFolder, offset) ? offset + 1 : offset);
}

void cutToExistingAncestor(char* startFolder, FolderProbe& probe)
{
    while (*startFolder && !probe.exists(startFolder)) {
        char* last = strrchr(startFolder, '\\');
        if (!last) {
            startFolder[0] = 0;
            return;
        }
        size_t offset = size_t(last - startFolder);
        if (!isRootBackslash(startFolder, offset)) {
            *last = 0;
        } else if (last[1]) {
            last[1] = 0;
        } else {
            // The root itself is missing: there is nothing above it.
            startFolder[0] = 0;
            return;
        }
    }
}

FolderChoice joinChosenFolder(const char* chosen, const char* leaf, char* out, size_t size)
{
    size_t chosenLength = strlen(chosen);
    if (chosenLength == 0)
        return FolderChoice::NoFileSystemPath;
    bool separator = chosen[chosenLength - 1] != '\\';
    size_t leafLength = strlen(leaf);
    if (chosenLength + separator + leafLength >= size)
        return FolderChoice::TooLong;
    memcpy(out, chosen, chosenLength);
    if (separator)
        out[chosenLength] = '\\';
    memcpy(out + chosenLength + separator, leaf, leafLength + 1);
    return FolderChoice::Chosen;
}

void describeTooLongFolder(const char* chosen, const char* leaf, char* out, size_t size)
{
    static_assert(kFolderPathSize == 260, "the message names the longest folder");
    if (size == 0)
        return;
    copyTruncated(out, size, kChosenFolderTooLongStart);
    appendCut(out, size, chosen);
    size_t chosenLength = strlen(chosen);
    if (chosenLength && chosen[chosenLength - 1] != '\\')
        appendCut(out, size, "\\");
    appendCut(out, size, leaf);
    appendCut(out, size, kChosenFolderTooLongEnd);
}
