// Pieces shared by the library's source files; not part of its interface.
#pragma once

#include "ui_automation.h"

#include <windows.h>

#include <string>

namespace uiauto {
namespace detail {

// Owns a kernel handle (process, thread, file, pipe, event).
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    HANDLE get() const { return handle_; }
    // CreateFile reports failure with INVALID_HANDLE_VALUE, most others with null.
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release()
    {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void reset(HANDLE handle = nullptr)
    {
        if (valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

std::wstring toWide(const char* utf8);
std::wstring toWide(const std::string& utf8);
std::string toUtf8(const wchar_t* wide, int length = -1);
std::string toUtf8(const std::wstring& wide);

using uiauto::pollUntil;

}  // namespace detail
}  // namespace uiauto
