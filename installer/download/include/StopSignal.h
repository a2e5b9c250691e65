#pragma once

#include "Utils/UniqueHandle.h"

#include <atomic>

// Set once, by a downloader's destructor: ends every pause between attempts
// at once, and tells the downloader's threads to stop without further
// events.
class StopSignal {
public:
    StopSignal();

    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Set();
    bool IsSet() const { return set_; }
    // For libcurl abort callbacks.
    const std::atomic<bool>& Flag() const { return set_; }

    // Waits for milliseconds; false, at once, when the signal is or gets set.
    bool Pause(DWORD milliseconds) const;

private:
    std::atomic<bool> set_{false};
    Utils::UniqueHandle event_;
};
