#include "Utils/CommandLine.h"

#include "Utils/Text.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

namespace Utils {

namespace {
struct LocalFreeDeleter {
    void operator()(LPWSTR* p) const { ::LocalFree(p); }
};
} // namespace

void CommandLine::Parse(const std::wstring& commandLine)
{
    entries_.clear();
    assigned_.clear();
    // CommandLineToArgvW answers an empty line with the module path.
    if (commandLine.empty()) return;
    int count = 0;
    std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(::CommandLineToArgvW(commandLine.c_str(), &count));
    if (!argv) return;
    for (int i = 0; i < count; ++i) {
        std::wstring arg = argv.get()[i];
        std::wstring key = arg;
        std::wstring value;
        const size_t eq = arg.find(L'=');
        const bool assignment = !arg.empty() && arg[0] == L'-' && eq != std::wstring::npos;
        if (assignment) {
            key = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (Find(key)) continue;
        if (assignment) assigned_.push_back(key);
        entries_.emplace_back(std::move(key), std::move(value));
    }
}

const std::wstring* CommandLine::Find(const std::wstring& key) const
{
    for (const auto& entry : entries_) {
        if (entry.first == key) return &entry.second;
    }
    return nullptr;
}

bool CommandLine::Has(const std::wstring& key) const
{
    return Find(key) != nullptr;
}

bool CommandLine::HasAssignment(const std::wstring& key) const
{
    for (const auto& k : assigned_) {
        if (k == key) return true;
    }
    return false;
}

std::wstring CommandLine::GetString(const std::wstring& key) const
{
    const std::wstring* value = Find(key);
    return value ? *value : std::wstring();
}

int CommandLine::GetInt(const std::wstring& key) const
{
    int value = 0;
    const std::wstring* text = Find(key);
    return text && ParseLeadingInt(*text, value) ? value : 0;
}

bool CommandLine::GetBool(const std::wstring& key) const
{
    const std::wstring* value = Find(key);
    return value && *value == L"true";
}

double CommandLine::GetDouble(const std::wstring& key, double fallback) const
{
    double value = 0.0;
    const std::wstring* text = Find(key);
    return text && ParseLeadingDouble(*text, value) ? value : fallback;
}

} // namespace Utils
