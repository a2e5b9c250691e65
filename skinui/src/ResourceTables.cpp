#include "SkinUI/ResourceTables.h"

namespace SkinUI {

namespace {

// Never none, so that every window has a font to fall back on.
std::unique_ptr<FontEntry> MakeSharedDefaultFont()
{
    std::unique_ptr<FontEntry> font = FontEntry::CreateStock();
    return font ? std::move(font) : std::make_unique<FontEntry>();
}

struct SharedTables {
    std::map<std::wstring, std::shared_ptr<ImageEntry>> images;
    std::map<int, std::unique_ptr<FontEntry>> fonts;
    std::unique_ptr<FontEntry> defaultFont = MakeSharedDefaultFont();
    std::map<std::wstring, std::wstring> defaultAttributeLists;
    std::map<int, std::wstring> languageStrings;
};

// Made when the first window's tables are; lives until the process ends.
SharedTables& Shared()
{
    static SharedTables tables;
    return tables;
}

template <typename Map>
typename Map::mapped_type::element_type* Lookup(const Map& map, const typename Map::key_type& key)
{
    const auto found = map.find(key);
    return found != map.end() ? found->second.get() : nullptr;
}

} // namespace

CResourceTables::CResourceTables()
{
    Shared();
}

std::shared_ptr<const ImageEntry> CResourceTables::GetImage(const std::wstring& name) const
{
    auto found = images_.find(name);
    if (found != images_.end()) return found->second;
    const auto& shared = Shared().images;
    found = shared.find(name);
    if (found != shared.end()) return found->second;
    return nullptr;
}

std::shared_ptr<const ImageEntry> CResourceTables::GetImageEx(const std::wstring& name, const std::wstring& type,
                                                              DWORD mask, bool useHsl)
{
    if (auto image = GetImage(name)) return image;
    return AddImage(name, type, mask, useHsl, false);
}

std::shared_ptr<const ImageEntry> CResourceTables::AddImage(const std::wstring& name, const std::wstring& type,
                                                            DWORD mask, bool useHsl, bool shared)
{
    std::shared_ptr<ImageEntry> image = ImageEntry::Load(name, type, mask);
    if (!image) return nullptr;
    image->useHsl = useHsl;
    image->resourceType = type;
    if (useHsl) {
        const std::size_t size = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height) * 4;
        image->originalPixels.assign(image->pixels, image->pixels + size);
    }
    ImageTable& table = shared || allShared_ ? Shared().images : images_;
    table[name] = image;
    return image;
}

HFONT CResourceTables::AddFont(int id, const std::wstring& face, int size, bool bold, bool underline, bool italic,
                               bool shared)
{
    std::unique_ptr<FontEntry> font = FontEntry::Create(face, size, bold, underline, italic);
    if (!font) return nullptr;
    const HFONT handle = font->font.Get();
    FontTable& table = shared || allShared_ ? Shared().fonts : fonts_;
    table[id] = std::move(font);
    return handle;
}

FontEntry* CResourceTables::FindFontEntry(int id)
{
    if (id < 0) return nullptr;
    if (FontEntry* font = Lookup(fonts_, id)) return font;
    return Lookup(Shared().fonts, id);
}

HFONT CResourceTables::GetFont(int id)
{
    return GetFontEntry(id).font.Get();
}

FontEntry& CResourceTables::GetFontEntry(int id)
{
    if (FontEntry* font = FindFontEntry(id)) return *font;
    return GetDefaultFont();
}

HFONT CResourceTables::FindFont(const std::wstring& face, int size, bool bold, bool underline, bool italic) const
{
    const FontTable* const tables[] = {&fonts_, &Shared().fonts};
    for (const FontTable* table : tables) {
        for (const auto& [id, font] : *table) {
            if (font->Matches(face, size, bold, underline, italic)) return font->font.Get();
        }
    }
    return nullptr;
}

void CResourceTables::SetDefaultFont(const std::wstring& face, int size, bool bold, bool underline, bool italic,
                                     bool shared)
{
    std::unique_ptr<FontEntry> font = FontEntry::Create(face, size, bold, underline, italic);
    if (!font) return;
    (shared ? Shared().defaultFont : defaultFont_) = std::move(font);
}

FontEntry& CResourceTables::GetDefaultFont()
{
    return defaultFont_ ? *defaultFont_ : *Shared().defaultFont;
}

void CResourceTables::AddDefaultAttributeList(const std::wstring& className, const std::wstring& list, bool shared)
{
    TextTable& table = shared || allShared_ ? Shared().defaultAttributeLists : defaultAttributeLists_;
    table[className] = list;
}

const std::wstring* CResourceTables::GetDefaultAttributeList(const std::wstring& className) const
{
    const TextTable* const tables[] = {&defaultAttributeLists_, &Shared().defaultAttributeLists};
    for (const TextTable* table : tables) {
        const auto found = table->find(className);
        if (found != table->end()) return &found->second;
    }
    return nullptr;
}

void CResourceTables::AddLanguageString(int id, const std::wstring& text)
{
    Shared().languageStrings[id] = text;
}

const std::wstring* CResourceTables::GetLanguageString(int id)
{
    const auto& table = Shared().languageStrings;
    const auto found = table.find(id);
    return found != table.end() ? &found->second : nullptr;
}

void CResourceTables::AddCustomAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name.empty() || value.empty()) return;
    customAttributes_.emplace(name, value);
}

const std::wstring* CResourceTables::GetCustomAttribute(const std::wstring& name) const
{
    const auto found = customAttributes_.find(name);
    return found != customAttributes_.end() ? &found->second : nullptr;
}

} // namespace SkinUI
