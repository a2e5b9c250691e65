#pragma once

#include "SkinUI/ImageEntry.h"

#include <windows.h>

#include <memory>
#include <string>

namespace SkinUI {

class CResourceTables;

// One image attribute of a control ("bkimage", "normalimage", ...): a plain
// image name or key='value' pairs, parsed once and kept with its image.
class ImageDrawSpec {
public:
    // What the attribute asks of the image cache.
    struct Request {
        std::wstring type;   // empty for a skin file
        DWORD mask = 0;
        bool useHsl = false;
    };

    // Takes a new attribute string; false when it is the one held and its
    // image is loaded already.
    bool SetAttribute(const std::wstring& value);
    void Clear();
    // Fills the drawing fields from the attribute string.
    Request Parse();
    // Parses and fetches the image through the window's tables; a failed
    // load is not retried until the attribute is set anew.
    void Load(CResourceTables& resources);

    std::wstring attribute;
    std::wstring name;
    bool loaded = false;
    std::shared_ptr<const ImageEntry> image;
    RECT dest{};     // offsets inside the control; all zero means the whole control
    RECT source{};   // part of the image; all zero means the whole image
    RECT corner{};   // borders that are not stretched
    BYTE fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
};

} // namespace SkinUI
