#pragma once

#include <string>

namespace Utils {

constexpr unsigned kAnsiCodePage = 0;   // CP_ACP
constexpr unsigned kUtf8CodePage = 65001;

// System code-page conversions; "" for empty or unconvertible text.
std::wstring ToWide(const std::string& text, unsigned codePage);
std::string ToNarrow(const std::wstring& text, unsigned codePage);
std::string Utf8ToAnsi(const std::string& utf8);

std::wstring TrimLeft(const std::wstring& text);
std::wstring TrimRight(const std::wstring& text);
std::wstring Trim(const std::wstring& text);

// Replaces every occurrence of from; the search resumes after each inserted
// replacement, so a replacement that contains from does not loop.
std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to);

// URL encoding for the system's download service, byte by byte over url's
// UTF-8 form: bytes 33..126 stay as they are (so existing "%" escapes and
// the delimiters "/", "?", "&" and "=" pass unchanged), a space becomes "+",
// every other byte "%XX" with upper-case hexadecimal digits.
std::wstring UrlEncode(const std::wstring& url);

// Leading decimal number of text, after optional white space and sign, as the
// C runtime's string-to-number conversions read it. false when text does not
// start with a number or the number does not fit the type; non-finite
// doubles ("inf", "nan") count as not a number.
bool ParseLeadingInt(const std::wstring& text, int& value);
bool ParseLeadingDouble(const std::wstring& text, double& value);

} // namespace Utils
