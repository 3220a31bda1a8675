// Owners of handles: each handle is released by its owner's destructor,
// never by hand on every path out. Portable: the Win32 handles' traits are in
// platform/win32_handles.h, the stdio stream's are here.
#pragma once

#include <stdio.h>

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

// A stdio stream closed by its owner. A constant invalid value lets an owner
// with static storage (the run state's package file) start out without code.
struct FileTraits {
    static constexpr FILE* invalid() { return nullptr; }
    static bool isValid(FILE* f) { return f != nullptr; }
    static void close(FILE* f) { fclose(f); }
};
using UniqueFile = UniqueResource<FILE*, FileTraits>;
