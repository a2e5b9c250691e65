#pragma once

#include "SkinUI/GdiHandle.h"

#include <windows.h>

namespace SkinUI {

// A 32-bit top-down DIB section (blue, green, red, alpha per pixel); bits
// receives its pixels. Empty when it cannot be made.
GdiHandle<HBITMAP> CreateDib32(int width, int height, void** bits);

} // namespace SkinUI
