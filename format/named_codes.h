// A code of a package field and the name a manifest and `slipway inspect`
// give it. Each family keeps its names beside its codes (component
// placements and page flags in format/action_script.h, Windows version
// classes in format/os_classes.h); the stub never looks a name up, so its
// image carries none of them.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct NamedCode {
    const char* name;
    uint32_t value;
};

// The first name of a code in a table, or null.
template <size_t N>
constexpr const char* nameOfCode(const NamedCode (&table)[N], uint32_t value)
{
    for (const NamedCode& entry : table)
        if (entry.value == value)
            return entry.name;
    return nullptr;
}
