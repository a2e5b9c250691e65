#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Utils {

// The switch map of a command line: "-key=value" arguments give key and value
// (split at the first "="), every other argument is a key with an empty
// value. Keys are exact and case-sensitive; the first occurrence wins.
class CommandLine {
public:
    CommandLine() = default;
    explicit CommandLine(const std::wstring& commandLine) { Parse(commandLine); }

    void Parse(const std::wstring& commandLine);

    bool Has(const std::wstring& key) const;
    // Whether key came as "key=value" rather than as a bare argument.
    bool HasAssignment(const std::wstring& key) const;
    std::wstring GetString(const std::wstring& key) const;
    // Leading decimal integer; 0 when absent, not a number or out of range.
    int GetInt(const std::wstring& key) const;
    // true exactly when present with the value "true".
    bool GetBool(const std::wstring& key) const;
    // fallback when absent, not a number, out of range or not finite.
    double GetDouble(const std::wstring& key, double fallback) const;

    const std::vector<std::pair<std::wstring, std::wstring>>& Entries() const { return entries_; }

private:
    const std::wstring* Find(const std::wstring& key) const;

    std::vector<std::pair<std::wstring, std::wstring>> entries_;
    std::vector<std::wstring> assigned_;
};

} // namespace Utils
