#pragma once

#include "SkinUI/GdiHandle.h"

#include <windows.h>

#include <memory>
#include <string>

namespace SkinUI {

// A GDI font of a skin and its description.
class FontEntry {
public:
    // Starts from the stock GUI font's description. nullptr when the font
    // cannot be created.
    static std::unique_ptr<FontEntry> Create(const std::wstring& face, int size, bool bold, bool underline,
                                             bool italic);
    // The stock GUI font with the default character set.
    static std::unique_ptr<FontEntry> CreateStock();

    bool Matches(const std::wstring& otherFace, int otherSize, bool otherBold, bool otherUnderline,
                 bool otherItalic) const;
    // Measured on first use.
    const TEXTMETRICW& Metrics();

    GdiHandle<HFONT> font;
    std::wstring face;
    int size = 0;   // pixels
    bool bold = false;
    bool underline = false;
    bool italic = false;

private:
    TEXTMETRICW metrics_{};
    bool measured_ = false;
};

} // namespace SkinUI
