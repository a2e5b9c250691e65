#include "SkinUI/FontEntry.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

namespace {

LOGFONTW StockDescription()
{
    LOGFONTW description{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
    description.lfCharSet = DEFAULT_CHARSET;
    return description;
}

} // namespace

std::unique_ptr<FontEntry> FontEntry::Create(const std::wstring& face, int size, bool bold, bool underline,
                                             bool italic)
{
    LOGFONTW description = StockDescription();
    const std::size_t length = std::min(face.size(), static_cast<std::size_t>(LF_FACESIZE - 1));
    std::wmemcpy(description.lfFaceName, face.c_str(), length);
    description.lfFaceName[length] = 0;
    description.lfHeight = -size;
    // Bold adds to the stock weight; the sum is kept within the documented range.
    if (bold) description.lfWeight = std::min<LONG>(description.lfWeight + FW_BOLD, 1000);
    description.lfUnderline = underline ? TRUE : FALSE;
    description.lfItalic = italic ? TRUE : FALSE;
    GdiHandle<HFONT> font(::CreateFontIndirectW(&description));
    if (!font) return nullptr;
    auto entry = std::make_unique<FontEntry>();
    entry->font = std::move(font);
    entry->face = face;
    entry->size = size;
    entry->bold = bold;
    entry->underline = underline;
    entry->italic = italic;
    return entry;
}

std::unique_ptr<FontEntry> FontEntry::CreateStock()
{
    const LOGFONTW description = StockDescription();
    GdiHandle<HFONT> font(::CreateFontIndirectW(&description));
    if (!font) return nullptr;
    auto entry = std::make_unique<FontEntry>();
    entry->font = std::move(font);
    entry->face = description.lfFaceName;
    entry->size = -description.lfHeight;
    entry->bold = description.lfWeight >= FW_BOLD;
    entry->underline = description.lfUnderline != 0;
    entry->italic = description.lfItalic != 0;
    return entry;
}

bool FontEntry::Matches(const std::wstring& otherFace, int otherSize, bool otherBold, bool otherUnderline,
                        bool otherItalic) const
{
    return face == otherFace && size == otherSize && bold == otherBold && underline == otherUnderline &&
           italic == otherItalic;
}

const TEXTMETRICW& FontEntry::Metrics()
{
    if (!measured_) {
        // A memory DC compatible with the screen measures as the window's DC would.
        const HDC dc = ::CreateCompatibleDC(nullptr);
        if (dc != nullptr) {
            const HGDIOBJ old = ::SelectObject(dc, font.Get());
            measured_ = ::GetTextMetricsW(dc, &metrics_) != FALSE;
            ::SelectObject(dc, old);
            ::DeleteDC(dc);
        }
    }
    return metrics_;
}

} // namespace SkinUI
