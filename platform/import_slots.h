// System functions that the stub calls from one or two places, called
// through their import address slot. A call through the slot is one byte
// longer than a call to the linker's jump thunk, but then the thunk (eight
// bytes of code) is not linked. Each call through a slot takes a relocation
// where the thunk took one for all its callers, so functions called from
// three places or more keep their thunk.
#pragma once

// Declares `functionSlot`, the slot of a WINAPI function whose arguments
// take `argumentBytes` bytes of stack (the @N of its decorated name).
#define SLIPWAY_IMPORT_SLOT(function, argumentBytes)                                                                   \
    extern "C" decltype(&::function) const function##Slot __asm__("__imp__" #function "@" #argumentBytes)

// The same for a C runtime function (msvcrt.dll), whose name is undecorated.
#define SLIPWAY_RUNTIME_SLOT(function)                                                                                 \
    extern "C" decltype(&::function) const function##Slot __asm__("__imp__" #function)
