#pragma once

#include <windows.h>

namespace Utils {

// Owns one kernel handle and closes it exactly once. Both "no handle"
// spellings of the API (NULL and INVALID_HANDLE_VALUE) count as empty.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }

    HANDLE Release()
    {
        HANDLE h = handle_;
        handle_ = nullptr;
        return h;
    }

    void Reset(HANDLE handle = nullptr)
    {
        if (Valid()) ::CloseHandle(handle_);
        handle_ = handle;
    }

    // For APIs that fill in a HANDLE*; any handle held before is closed.
    HANDLE* Put()
    {
        Reset();
        return &handle_;
    }

private:
    HANDLE handle_ = nullptr;
};

} // namespace Utils
