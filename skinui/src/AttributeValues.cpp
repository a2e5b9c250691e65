#include "SkinUI/AttributeValues.h"

#include <cwchar>

namespace SkinUI {

DWORD ParseColor(const wchar_t* text)
{
    if (text == nullptr) return 0;
    while (*text != 0 && *text <= L' ') ++text;
    if (*text == L'#') ++text;
    return static_cast<DWORD>(std::wcstoul(text, nullptr, 16));
}

RECT ParseRect(const wchar_t* text)
{
    long values[4] = {};
    if (text != nullptr) {
        const wchar_t* p = text;
        for (int i = 0; i < 4; ++i) {
            if (i > 0 && *p != 0) ++p;
            wchar_t* end = nullptr;
            values[i] = std::wcstol(p, &end, 10);
            p = end;
        }
    }
    return RECT{values[0], values[1], values[2], values[3]};
}

bool ParseBool(const wchar_t* text)
{
    return text != nullptr && std::wcscmp(text, L"true") == 0;
}

} // namespace SkinUI
