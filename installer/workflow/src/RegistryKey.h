#pragma once

#include <windows.h>

#include <string>

// An open registry key, closed on destruction.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey();

    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(HKEY root, const wchar_t* path, REGSAM access);
    bool Create(HKEY root, const wchar_t* path, REGSAM access);

    // A string value; "" when it is missing or not a string.
    std::wstring ReadString(const wchar_t* name) const;
    // Stored as REG_SZ with its terminating null character.
    bool WriteString(const wchar_t* name, const std::wstring& value);

private:
    void Close();

    HKEY key_ = nullptr;
};
