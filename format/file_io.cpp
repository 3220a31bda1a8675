#include "format/file_io.h"

#include <limits.h>
#include <stdint.h>
#ifndef _WIN32
#include <sys/types.h>
#endif

// Packages of several GiB: positions are 64-bit on both sides. The
// Windows runtime's fpos_t is the 64-bit offset itself, and every version
// of it has fsetpos and fgetpos.
bool seekTo(FILE* file, uint64_t offset)
{
    if (offset > uint64_t(INT64_MAX))
        return false;
#ifdef _WIN32
    fpos_t position = fpos_t(offset);
    return fsetpos(file, &position) == 0;
#else
    return fseeko(file, off_t(offset), SEEK_SET) == 0;
#endif
}

bool seekFromEnd(FILE* file, uint32_t back)
{
    if (back > uint32_t(LONG_MAX))
        return false;
    return fseek(file, -long(back), SEEK_END) == 0;
}

int64_t tellPosition(FILE* file)
{
#ifdef _WIN32
    fpos_t position;
    return fgetpos(file, &position) == 0 ? int64_t(position) : -1;
#else
    off_t position = ftello(file);
    return position < 0 ? -1 : int64_t(position);
#endif
}

int64_t fileLength(FILE* file)
{
    int64_t position = tellPosition(file);
    if (position < 0 || fseek(file, 0, SEEK_END) != 0)
        return -1;
    int64_t length = tellPosition(file);
    if (!seekTo(file, uint64_t(position)))
        return -1;
    return length;
}

bool readExactly(FILE* file, void* destination, size_t count)
{
    return count == 0 || fread(destination, 1, count, file) == count;
}
