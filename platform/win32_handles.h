// Owners of Win32 handles: each handle is released by its owner's destructor,
// never by hand on every path out.
#pragma once

#include "format/unique_resource.h"

#include <windows.h>

#include <shlobj.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CloseHandle, 4);
SLIPWAY_IMPORT_SLOT(DeleteDC, 4);
SLIPWAY_IMPORT_SLOT(DeleteObject, 4);
SLIPWAY_IMPORT_SLOT(FindClose, 4);
SLIPWAY_IMPORT_SLOT(RegCloseKey, 4);
SLIPWAY_IMPORT_SLOT(SHGetMalloc, 4);

// The pseudo-handles of the calling process and thread: the constants that
// GetCurrentProcess and GetCurrentThread return, without two imports.
inline HANDLE currentProcessHandle()
{
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1));
}
inline HANDLE currentThreadHandle()
{
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2));
}

struct KernelHandleTraits {
    static constexpr HANDLE invalid() { return nullptr; }
    static bool isValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandleSlot(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

// A directory search of FindFirstFile, ended with FindClose.
struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { FindCloseSlot(h); }
};
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;

struct RegKeyTraits {
    static constexpr HKEY invalid() { return nullptr; }
    static bool isValid(HKEY k) { return k != nullptr; }
    static void close(HKEY k) { RegCloseKeySlot(k); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

struct LibraryTraits {
    static constexpr HMODULE invalid() { return nullptr; }
    static bool isValid(HMODULE m) { return m != nullptr; }
    static void close(HMODULE m) { FreeLibrary(m); }
};
using UniqueLibrary = UniqueResource<HMODULE, LibraryTraits>;

struct GdiObjectTraits {
    static constexpr HGDIOBJ invalid() { return nullptr; }
    static bool isValid(HGDIOBJ o) { return o != nullptr; }
    static void close(HGDIOBJ o) { DeleteObjectSlot(o); }
};
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;

// A memory device context. Deleting it lets go of the objects selected into
// it, so an owner of a bitmap declared before it may delete the bitmap after.
struct MemoryDcTraits {
    static HDC invalid() { return nullptr; }
    static bool isValid(HDC dc) { return dc != nullptr; }
    static void close(HDC dc) { DeleteDCSlot(dc); }
};
using UniqueMemoryDc = UniqueResource<HDC, MemoryDcTraits>;

// An item list of the shell, freed by the shell's own allocator, which made
// it.
struct ItemListTraits {
    static constexpr LPITEMIDLIST invalid() { return nullptr; }
    static bool isValid(LPITEMIDLIST list) { return list != nullptr; }
    static void close(LPITEMIDLIST list)
    {
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMallocSlot(&allocator))) {
            allocator->Free(list);
            allocator->Release();
        }
    }
};
using UniqueItemList = UniqueResource<LPITEMIDLIST, ItemListTraits>;
