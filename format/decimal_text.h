// Numbers written in decimal without the runtime's formatting: the stub names
// files, command lines and log lines with them.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Writes `number` at `out` without a NUL and returns how many digits it took
// (at most 10).
inline size_t writeDecimal(uint32_t number, char* out)
{
    char reversed[10];
    size_t count = 0;
    do {
        reversed[count++] = char('0' + number % 10);
        number /= 10;
    } while (number);
    for (size_t i = 0; i < count; ++i)
        out[i] = reversed[count - 1 - i];
    return count;
}
