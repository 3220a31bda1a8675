// The stub's own allocation operators. The library versions throw
// std::bad_alloc, which drags the exception runtime and its demangler (about
// 80 KiB) into an image that is built without exceptions. Here a failed
// allocation yields null, which every owner in the stub checks.
#include <windows.h>

#include <new>
#include <stdlib.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(ExitProcess, 4);

// The nothrow tag itself. The library keeps its copy in the file of the
// new-handler, whose variable and unwind table would come along with it: two
// sections of the image, a kilobyte.
namespace std {
const nothrow_t nothrow{};
}

void* operator new(size_t size)
{
    return malloc(size ? size : 1);
}

void* operator new[](size_t size)
{
    return malloc(size ? size : 1);
}

// Objects come from zeroed memory: the compiler, which sees calloc here,
// then leaves out the stores of every field its constructor sets to zero
// (almost every field of the records and scripts), 290 bytes.
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return calloc(1, size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size ? size : 1);
}

void operator delete(void* block) noexcept
{
    free(block);
}

void operator delete[](void* block) noexcept
{
    free(block);
}

void operator delete(void* block, size_t) noexcept
{
    free(block);
}

void operator delete[](void* block, size_t) noexcept
{
    free(block);
}

// A pure virtual call is a programming error; end the process quietly, with
// the exit code abort() would give.
extern "C" void __cxa_pure_virtual()
{
    ExitProcessSlot(3);
}

// Objects with static storage are never destroyed: the stub ends with
// ExitProcess and the system takes back memory and handles. Registrations of
// their destructors are accepted and dropped rather than left to msvcrt.dll,
// which would run them while the process is already being torn down.
extern "C" int atexit(void (*)(void))
{
    return 0;
}
