#include "format/file_io.h"

#include <limits.h>

bool seekTo(FILE* file, uint64_t offset)
{
    if (offset > uint64_t(LONG_MAX))
        return false;
    return fseek(file, long(offset), SEEK_SET) == 0;
}

bool seekFromEnd(FILE* file, uint32_t back)
{
    if (back > uint32_t(LONG_MAX))
        return false;
    return fseek(file, -long(back), SEEK_END) == 0;
}

int64_t tellPosition(FILE* file)
{
    long position = ftell(file);
    return position < 0 ? -1 : int64_t(position);
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
