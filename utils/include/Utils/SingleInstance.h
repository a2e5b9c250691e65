#pragma once

#include "Utils/UniqueHandle.h"

#include <string>

namespace Utils {

// System-wide single-instance guard: a named mutex "D1A547DB89C0BC61_" + name.
class SingleInstance {
public:
    explicit SingleInstance(std::wstring name) : name_(std::move(name)) {}
    ~SingleInstance() { Release(); }

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Creates the mutex when none is held; holds nothing when another process
    // created it first. Returns whether the guard is held.
    bool Acquire();
    bool Held() const { return mutex_.Valid(); }
    void Release();

    static std::wstring MutexName(const std::wstring& name);

private:
    std::wstring name_;
    UniqueHandle mutex_;
};

} // namespace Utils
