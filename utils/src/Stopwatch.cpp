#include "Utils/Stopwatch.h"

#include <windows.h>

namespace Utils {

void Stopwatch::Start()
{
    startTick_ = ::GetTickCount();
    started_ = true;
}

float Stopwatch::Elapsed() const
{
    if (!started_) return 0.0f;
    // Unsigned subtraction stays right across the 49-day tick wrap.
    return static_cast<float>(::GetTickCount() - startTick_) / 1000.0f;
}

} // namespace Utils
