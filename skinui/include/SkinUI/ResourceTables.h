#pragma once

#include "SkinUI/FontEntry.h"
#include "SkinUI/ImageEntry.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>

namespace SkinUI {

// The five standard colours a window starts with (0xAARRGGBB).
struct StandardColors {
    DWORD disabledText = 0xFFA7A6AA;
    DWORD defaultText = 0xFF000000;
    DWORD linkText = 0xFF0000FF;
    DWORD linkHover = 0xFFD3215F;
    DWORD selectedBackground = 0xFFBAE4FF;
};

// The skin resources of one window (images, fonts, default attribute lists,
// custom attributes), backed by the process-wide shared tables that every
// window sees (images, fonts, default attribute lists, language strings).
// Lookups try the window's table first, then the shared one.
class CResourceTables {
public:
    CResourceTables();
    CResourceTables(const CResourceTables&) = delete;
    CResourceTables& operator=(const CResourceTables&) = delete;

    // Puts everything added from now on into the shared tables.
    void SetAllShared(bool allShared) { allShared_ = allShared; }

    // Cached images are keyed by name alone. Holders keep an image alive
    // even after its name has been given to another image.
    std::shared_ptr<const ImageEntry> GetImage(const std::wstring& name) const;
    // The cached image, else loads and caches it in the window's table.
    std::shared_ptr<const ImageEntry> GetImageEx(const std::wstring& name, const std::wstring& type, DWORD mask,
                                                 bool useHsl);
    // Loads and stores the image, replacing one of that name; nothing is
    // stored when loading fails.
    std::shared_ptr<const ImageEntry> AddImage(const std::wstring& name, const std::wstring& type, DWORD mask,
                                               bool useHsl, bool shared);

    // Replaces and deletes a font stored under the same id. nullptr when the
    // font cannot be created.
    HFONT AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic, bool shared);
    // The font of that id, else the default font.
    HFONT GetFont(int id);
    FontEntry& GetFontEntry(int id);
    HFONT FindFont(const std::wstring& face, int size, bool bold, bool underline, bool italic) const;
    // Makes the window's (or, shared, every window's) default font.
    void SetDefaultFont(const std::wstring& face, int size, bool bold, bool underline, bool italic, bool shared);
    // The window's default font if it has one, else the shared default font.
    FontEntry& GetDefaultFont();

    // Attribute lists applied to every control of a class (as written in XML).
    void AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared);
    const std::wstring* GetDefaultAttributeList(const std::wstring& className) const;

    // One table for the process.
    static void AddLanguageString(int id, const std::wstring& text);
    static const std::wstring* GetLanguageString(int id);

    // Empty names or values are ignored; the first value of a name stays.
    void AddCustomAttribute(const std::wstring& name, const std::wstring& value);
    const std::wstring* GetCustomAttribute(const std::wstring& name) const;

    StandardColors& Colors() { return colors_; }

private:
    using ImageTable = std::map<std::wstring, std::shared_ptr<ImageEntry>>;
    using FontTable = std::map<int, std::unique_ptr<FontEntry>>;
    using TextTable = std::map<std::wstring, std::wstring>;

    FontEntry* FindFontEntry(int id);

    bool allShared_ = false;
    ImageTable images_;
    FontTable fonts_;
    std::unique_ptr<FontEntry> defaultFont_;
    TextTable defaultAttributeLists_;
    TextTable customAttributes_;
    StandardColors colors_;
};

} // namespace SkinUI
