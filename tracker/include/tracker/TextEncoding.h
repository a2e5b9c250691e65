#pragma once

#include <string>

// The tracker keeps its texts in UTF-8 and meets the system in UTF-16.
namespace tavik::tracking {

// A non-empty text that is not valid UTF-8 is taken as ANSI text and
// converted; any other text is returned unchanged.
std::string ToUtf8IfNeeded(const std::string& text);

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);

} // namespace tavik::tracking
