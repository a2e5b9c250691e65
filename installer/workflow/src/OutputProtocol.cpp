#include "OutputProtocol.h"

#include "Utils/Text.h"

#include <cwchar>

namespace OutputProtocol {

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t begin = 0;
    for (;;) {
        const size_t feed = text.find(L'\n', begin);
        std::wstring line = text.substr(begin, feed == std::wstring::npos ? std::wstring::npos : feed - begin);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
        if (feed == std::wstring::npos) break;
        begin = feed + 1;
    }
    return lines;
}

bool Match(const std::wstring& line, const wchar_t* key, std::wstring& value)
{
    const size_t keyLength = std::wcslen(key);
    if (line.compare(0, keyLength, key) != 0) return false;
    value = line.substr(keyLength, kMaxValueLength);
    // Never keep half of a surrogate pair.
    if (value.size() == kMaxValueLength && value.back() >= 0xD800 && value.back() <= 0xDBFF) value.pop_back();
    return true;
}

double Number(const std::wstring& value)
{
    double number = 0.0;
    return Utils::ParseLeadingDouble(value, number) ? number : 0.0;
}

int Integer(const std::wstring& value)
{
    int number = 0;
    return Utils::ParseLeadingInt(value, number) ? number : 0;
}

} // namespace OutputProtocol
