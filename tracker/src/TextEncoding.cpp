#include "tracker/TextEncoding.h"

#include "analytics_core/Validation.h"

#include "Utils/Text.h"

namespace tavik::tracking {

std::string ToUtf8IfNeeded(const std::string& text)
{
    if (text.empty() || analytics_core::IsValidUtf8(text)) return text;
    return Utf8FromWide(Utils::ToWide(text, Utils::kAnsiCodePage));
}

std::wstring WideFromUtf8(const std::string& utf8)
{
    return Utils::ToWide(utf8, Utils::kUtf8CodePage);
}

std::string Utf8FromWide(const std::wstring& wide)
{
    return Utils::ToNarrow(wide, Utils::kUtf8CodePage);
}

} // namespace tavik::tracking
