// An owned COM interface pointer, released by its owner.
#pragma once

#include <objbase.h>

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For the out parameter of CoCreateInstance and QueryInterface.
    void** put()
    {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void reset()
    {
        if (pointer_)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    Interface* pointer_ = nullptr;
};
