#pragma once

#include <cstdint>

namespace Utils {

// Elapsed wall time from the system tick counter, in seconds.
class Stopwatch {
public:
    void Start();
    void Stop() { started_ = false; }
    // 0 when not started.
    float Elapsed() const;

private:
    bool started_ = false;
    uint32_t startTick_ = 0;
};

} // namespace Utils
