#include "SkinUI/Dib.h"

namespace SkinUI {

GdiHandle<HBITMAP> CreateDib32(int width, int height, void** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    GdiHandle<HBITMAP> bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    if (*bits == nullptr) bitmap.Reset();
    return bitmap;
}

} // namespace SkinUI
