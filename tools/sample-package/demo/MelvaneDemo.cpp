// The demo product that sample-package installs as Melvane.exe: one window
// titled "Melvane" that the user can close.

#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(window, &paint);
        RECT client;
        ::GetClientRect(window, &client);
        ::DrawTextW(dc, L"Melvane is installed.", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"MelvaneDemoWindow";
    if (!::RegisterClassW(&windowClass)) return 1;

    HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Melvane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ::ShowWindow(window, show);
    ::UpdateWindow(window);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
