// The stub's entry point. The stub runs without the C runtime's start-up
// code: the system calls stubEntry directly. That code parses arguments,
// sets up thread-local storage, floating-point state and exit handlers the
// stub never uses, and costs about 8 KiB of image; msvcrt.dll still
// initialises itself when it is loaded, so its functions work as before.
#include "startup/startup.h"
#include "format/startup_rules.h"
#include "platform/system_services.h"
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(ExitProcess, 4);
SLIPWAY_IMPORT_SLOT(GetCommandLineA, 0);

extern "C" {
typedef void (*GlobalConstructor)();
// Laid out by the linker: -1, the constructors in reverse order of
// construction, 0.
extern GlobalConstructor __CTOR_LIST__[];
}

namespace {

// Runs what the start-up code would have: the constructors of objects with
// static storage, last entry first. Their destructors are not run; the
// process ends with ExitProcess and the system takes back what they hold.
void runGlobalConstructors()
{
    size_t count = 0;
    while (__CTOR_LIST__[count + 1])
        ++count;
    for (size_t i = count; i >= 1; --i)
        __CTOR_LIST__[i]();
}

}  // namespace

// Called by the system with nothing to return to: it ends the process itself.
// Visible to the link-time pass, which otherwise sees nothing that calls it.
extern "C" __attribute__((externally_visible)) void stubEntry()
{
    // Before anything may load a library by name.
    restrictLibrarySearch();
    runGlobalConstructors();
    // The tail is taken from the full command line by our own rule, as the
    // runtime's argument differs on quoted names.
    ExitProcessSlot(UINT(runStartup(GetModuleHandleA(nullptr), commandLineTail(GetCommandLineASlot()))));
}
