#include "Utils/Messages.h"

#include <mmsystem.h>

namespace Utils {

bool PumpMessages(HWND window)
{
    const DWORD begin = ::timeGetTime();
    MSG msg{};
    while (window == nullptr || ::IsWindow(window)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        if (::timeGetTime() - begin > 100) return true;
    }
    return false;
}

} // namespace Utils
