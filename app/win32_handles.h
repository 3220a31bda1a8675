// Owners of Win32 handles: each handle is released by its owner's destructor,
// never by hand on every path out.
#pragma once

#include <windows.h>

template <typename Handle, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    ~UniqueResource() { reset(); }
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return Traits::isValid(handle_); }
    Handle* put()
    {
        reset();
        return &handle_;
    }
    Handle release()
    {
        Handle handle = handle_;
        handle_ = Traits::invalid();
        return handle;
    }
    void reset(Handle handle = Traits::invalid())
    {
        if (Traits::isValid(handle_))
            Traits::close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static bool isValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

// A directory search of FindFirstFile, ended with FindClose.
struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { FindClose(h); }
};
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;

struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static bool isValid(HKEY k) { return k != nullptr; }
    static void close(HKEY k) { RegCloseKey(k); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

struct LibraryTraits {
    static HMODULE invalid() { return nullptr; }
    static bool isValid(HMODULE m) { return m != nullptr; }
    static void close(HMODULE m) { FreeLibrary(m); }
};
using UniqueLibrary = UniqueResource<HMODULE, LibraryTraits>;

struct GdiObjectTraits {
    static HGDIOBJ invalid() { return nullptr; }
    static bool isValid(HGDIOBJ o) { return o != nullptr; }
    static void close(HGDIOBJ o) { DeleteObject(o); }
};
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;

// A stdio stream closed by its owner.
#include <stdio.h>
struct FileTraits {
    static FILE* invalid() { return nullptr; }
    static bool isValid(FILE* f) { return f != nullptr; }
    static void close(FILE* f) { fclose(f); }
};
using UniqueFile = UniqueResource<FILE*, FileTraits>;
