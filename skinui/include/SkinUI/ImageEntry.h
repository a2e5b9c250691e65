#pragma once

#include "SkinUI/GdiHandle.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

// A decoded image: a 32-bit top-down DIB section whose pixels are blue,
// green, red, alpha with the colours premultiplied by alpha.
class ImageEntry {
public:
    static constexpr const wchar_t* kColorType = L"*COLOR*";

    // type: empty for a skin file (or, failing that, a file path as
    // written), "*COLOR*" for a 1x1 image of the colour named, else a
    // resource type of the resource instance. Pixels whose 32-bit value
    // equals mask become fully transparent. nullptr when loading fails.
    static std::shared_ptr<ImageEntry> Load(const std::wstring& name, const std::wstring& type, DWORD mask);
    // rgba: width x height pixels, 8 bits each of red, green, blue, alpha.
    static std::shared_ptr<ImageEntry> FromRgba(const std::uint8_t* rgba, int width, int height, DWORD mask);

    GdiHandle<HBITMAP> bitmap;
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;       // some pixel is not fully opaque
    bool useHsl = false;         // follows the window's hue/saturation/lightness adjustment
    std::wstring resourceType;
    DWORD mask = 0;
    std::vector<std::uint8_t> originalPixels;   // unadjusted pixels, kept when useHsl
};

} // namespace SkinUI
