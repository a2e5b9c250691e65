#include "SkinUI/ImageDrawSpec.h"

#include "SkinUI/AttributeValues.h"
#include "SkinUI/ResourceTables.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

namespace {

bool IsSpace(wchar_t c)
{
    return c != 0 && c <= L' ';
}

bool IsZero(const RECT& r)
{
    return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
}

} // namespace

bool ImageDrawSpec::SetAttribute(const std::wstring& value)
{
    if (value == attribute && image) return false;
    Clear();
    attribute = value;
    return true;
}

void ImageDrawSpec::Clear()
{
    *this = ImageDrawSpec();
}

ImageDrawSpec::Request ImageDrawSpec::Parse()
{
    const std::wstring text = attribute;
    *this = ImageDrawSpec();
    attribute = text;
    name = text;

    Request request;
    std::wstring resourceType;
    bool fromResource = false;
    bool fromColor = false;
    const wchar_t* p = text.c_str();
    for (;;) {
        while (IsSpace(*p)) ++p;
        const wchar_t* keyStart = p;
        while (*p != 0 && *p != L'=' && !IsSpace(*p)) ++p;
        const std::wstring key(keyStart, p);
        while (IsSpace(*p)) ++p;
        if (*p != L'=') break;
        ++p;
        while (IsSpace(*p)) ++p;
        if (*p != L'\'') break;
        const wchar_t* valueStart = ++p;
        while (*p != 0 && *p != L'\'') ++p;
        if (*p != L'\'') break;
        const std::wstring value(valueStart, p);
        ++p;

        if (!value.empty()) {
            const wchar_t* v = value.c_str();
            if (key == L"file") {
                name = value;
            } else if (key == L"res") {
                name = value;
                fromResource = true;
            } else if (key == L"restype") {
                resourceType = value;
            } else if (key == L"color") {
                name = value;
                fromColor = true;
            } else if (key == L"dest") {
                dest = ParseRect(v);
            } else if (key == L"source") {
                source = ParseRect(v);
            } else if (key == L"corner" || key == L"scale9") {
                corner = ParseRect(v);
            } else if (key == L"mask") {
                request.mask = ParseColor(v);
            } else if (key == L"fade") {
                fade = static_cast<BYTE>(std::clamp<long>(std::wcstol(v, nullptr, 10), 0, 255));
            } else if (key == L"hole") {
                hole = ParseBool(v);
            } else if (key == L"xtiled") {
                xtiled = ParseBool(v);
            } else if (key == L"ytiled") {
                ytiled = ParseBool(v);
            } else if (key == L"hsl") {
                request.useHsl = ParseBool(v);
            }
        }
        // Pairs are separated by at least one space.
        if (*p != L' ') break;
    }
    if (fromColor) {
        request.type = ImageEntry::kColorType;
    } else if (fromResource) {
        request.type = resourceType;
    }
    return request;
}

void ImageDrawSpec::Load(CResourceTables& resources)
{
    const Request request = Parse();
    loaded = true;
    if (name.empty()) return;
    image = resources.GetImageEx(name, request.type, request.mask, request.useHsl);
    if (!image) return;
    if (IsZero(source)) source = RECT{0, 0, image->width, image->height};
    source.right = std::min<LONG>(source.right, image->width);
    source.bottom = std::min<LONG>(source.bottom, image->height);
}

} // namespace SkinUI
