#include "RegistryKey.h"

#include <vector>

RegistryKey::~RegistryKey()
{
    Close();
}

void RegistryKey::Close()
{
    if (key_) ::RegCloseKey(key_);
    key_ = nullptr;
}

bool RegistryKey::Open(HKEY root, const wchar_t* path, REGSAM access)
{
    Close();
    return ::RegOpenKeyExW(root, path, 0, access, &key_) == ERROR_SUCCESS;
}

bool RegistryKey::Create(HKEY root, const wchar_t* path, REGSAM access)
{
    Close();
    return ::RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key_, nullptr) ==
           ERROR_SUCCESS;
}

std::wstring RegistryKey::ReadString(const wchar_t* name) const
{
    if (!key_) return {};
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key_, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    // One character more than asked for, zero-filled: the stored text need
    // not end with its null character.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return buffer.data();
}

bool RegistryKey::WriteString(const wchar_t* name, const std::wstring& value)
{
    if (!key_) return false;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}
