#pragma once

#include <windows.h>

namespace Utils {

// Dispatches the calling thread's messages for up to about 100 ms. false when
// window (if given) is gone or WM_QUIT arrived (it is posted again), true when
// the time ran out.
bool PumpMessages(HWND window);

} // namespace Utils
