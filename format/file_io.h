// Small helpers over stdio streams, shared by the package readers.
#pragma once

#include <stdint.h>
#include <stdio.h>

// Seeks to an absolute 64-bit offset; false when the seek fails.
bool seekTo(FILE* file, uint64_t offset);
// Seeks to `back` bytes before the end of the file.
bool seekFromEnd(FILE* file, uint32_t back);
// The stream's position, or -1.
int64_t tellPosition(FILE* file);
// The file's length, or -1; the position is left where it was.
int64_t fileLength(FILE* file);
// Reads exactly `count` bytes; false on a short read.
bool readExactly(FILE* file, void* destination, size_t count);
