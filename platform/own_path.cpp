#include "platform/own_path.h"

#include <windows.h>

#include <new>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(GetModuleFileNameW, 12);

namespace {

// The longest path the wide calls take, with its NUL.
constexpr DWORD kLongestPath = 32768;
// "\\?\" before a drive path: only that form reaches past 260 characters.
constexpr DWORD kPrefixLength = 4;

}  // namespace

std::unique_ptr<wchar_t[]> ownModulePathWide()
{
    std::unique_ptr<wchar_t[]> path(new (std::nothrow) wchar_t[kLongestPath]);
    if (!path)
        return path;
    wchar_t* name = path.get() + kPrefixLength;
    DWORD size = kLongestPath - kPrefixLength;
    // A cut name fills the buffer (and is not terminated on XP).
    DWORD length = GetModuleFileNameWSlot(nullptr, name, size);
    if (length == 0 || length >= size - 1) {
        path.reset();
    } else if (name[1] == L':') {
        const wchar_t prefix[] = L"\\\\?\\";
        for (DWORD i = 0; i < kPrefixLength; ++i)
            path[i] = prefix[i];
    } else {
        // A share's path, or one that has the prefix already, stays as it is.
        for (DWORD i = 0; i <= length; ++i)
            path[i] = name[i];
    }
    return path;
}

std::unique_ptr<wchar_t[]> wideTextOf(const char* text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::unique_ptr<wchar_t[]> wide(length > 0 ? new (std::nothrow) wchar_t[length] : nullptr);
    if (wide && MultiByteToWideChar(CP_ACP, 0, text, -1, wide.get(), length) != length)
        wide.reset();
    return wide;
}
