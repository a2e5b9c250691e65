#include "Utils/Text.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cwctype>

namespace Utils {

std::wstring ToWide(const std::string& text, unsigned codePage)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring out(static_cast<size_t>(needed), L'\0');
    if (::MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), needed) != needed) return {};
    return out;
}

std::string ToNarrow(const std::wstring& text, unsigned codePage)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int needed = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<size_t>(needed), '\0');
    if (::WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), needed, nullptr, nullptr) != needed) return {};
    return out;
}

std::string Utf8ToAnsi(const std::string& utf8)
{
    return ToNarrow(ToWide(utf8, kUtf8CodePage), kAnsiCodePage);
}

std::wstring TrimLeft(const std::wstring& text)
{
    size_t first = 0;
    while (first < text.size() && std::iswspace(text[first])) ++first;
    return text.substr(first);
}

std::wstring TrimRight(const std::wstring& text)
{
    size_t end = text.size();
    while (end > 0 && std::iswspace(text[end - 1])) --end;
    return text.substr(0, end);
}

std::wstring Trim(const std::wstring& text)
{
    return TrimLeft(TrimRight(text));
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to)
{
    if (from.empty()) return text;
    for (size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

std::wstring UrlEncode(const std::wstring& url)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : ToNarrow(url, kUtf8CodePage)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 33 && byte <= 126) {
            encoded += c;
        } else if (byte == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0f];
        }
    }
    return ToWide(encoded, kUtf8CodePage);
}

bool ParseLeadingInt(const std::wstring& text, int& value)
{
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const long long parsed = std::wcstoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseLeadingDouble(const std::wstring& text, double& value)
{
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const double parsed = std::wcstod(begin, &end);
    if (end == begin || errno == ERANGE || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

} // namespace Utils
