#pragma once

#include <string>
#include <vector>

// Reading the "Key=value" lines that the package and the uninstaller print.
namespace OutputProtocol {

// Longest value taken from a line; longer ones are cut.
constexpr size_t kMaxValueLength = 771;

// Splits text at "\n"; a "\r" before the line feed belongs to the line end,
// not to the line.
std::vector<std::wstring> SplitLines(const std::wstring& text);

// Whether line begins with key (case-sensitive); value then holds the rest
// of the line, at most kMaxValueLength characters.
bool Match(const std::wstring& line, const wchar_t* key, std::wstring& value);

// The leading number of value; 0 when it has none.
double Number(const std::wstring& value);
int Integer(const std::wstring& value);

} // namespace OutputProtocol
