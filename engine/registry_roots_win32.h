// The predefined registry roots as the system's key handles.
#pragma once

#include "format/registry_roots.h"

#include <windows.h>

// The key handle of a predefined root; null for any other value.
inline HKEY registryRootKey(uint32_t root)
{
    if (!isRegistryRoot(root))
        return nullptr;
    // Widened through LONG as the system's headers widen HKEY_LOCAL_MACHINE
    // and the others, so the handle is theirs in any pointer size.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}
