#pragma once

#include <windows.h>

namespace SkinUI {

// Owns one GDI object (bitmap, font, brush, pen, region) and deletes it once.
template <typename T>
class GdiHandle {
public:
    GdiHandle() = default;
    explicit GdiHandle(T handle) : handle_(handle) {}
    ~GdiHandle() { Reset(); }

    GdiHandle(const GdiHandle&) = delete;
    GdiHandle& operator=(const GdiHandle&) = delete;
    GdiHandle(GdiHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    GdiHandle& operator=(GdiHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.handle_);
            other.handle_ = nullptr;
        }
        return *this;
    }

    T Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void Reset(T handle = nullptr)
    {
        if (handle_ != nullptr) ::DeleteObject(handle_);
        handle_ = handle;
    }

private:
    T handle_ = nullptr;
};

} // namespace SkinUI
