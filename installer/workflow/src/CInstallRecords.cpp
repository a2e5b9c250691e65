#include "CInstallRecords.h"

#include "AccountFlags.h"
#include "RegistryKey.h"
#include "Utils/Accounts.h"
#include "Utils/FileSystem.h"
#include "Utils/SystemInfo.h"
#include "Utils/Text.h"

#include <windows.h>
#include <shlobj.h>

#include <clocale>
#include <cwchar>

namespace {

constexpr const wchar_t* kInstallPathValue = L"InstallPath";
constexpr const wchar_t* kUninstallEpValue = L"UnInstallEp";

std::wstring Join(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
    return folder + L"\\" + name;
}

// A folder named by an environment variable; "" when unset or longer than a path may be.
std::wstring EnvironmentFolder(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, MAX_PATH + 1);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

std::wstring ShellFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) ? buffer : L"";
}

// Both taken as folders: separators of either kind, a trailing separator and
// letter case make no difference.
bool SameFolder(const std::wstring& a, const std::wstring& b)
{
    auto normal = [](const std::wstring& path) {
        std::wstring text = Utils::ReplaceAll(path, L"/", L"\\");
        while (!text.empty() && text.back() == L'\\') text.pop_back();
        return text;
    };
    const std::wstring left = normal(a);
    const std::wstring right = normal(b);
    if (left.empty() || right.empty()) return false;
    return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                  static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

void WriteIni(const std::wstring& file, const wchar_t* section, const wchar_t* key, const std::wstring& value)
{
    ::WritePrivateProfileStringW(section, key, value.c_str(), file.c_str());
}

std::wstring ExeFileName()
{
    const std::wstring path = Utils::ModulePath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring LocalTimeText()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                  now.wSecond);
    return text;
}

} // namespace

void CInstallRecords::ReadInstallRecords()
{
    existingFolder_.clear();
    oldUninstaller_.clear();
    RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, kRegistryKey, KEY_READ)) {
        existingFolder_ = key.ReadString(kInstallPathValue);
        oldUninstaller_ = key.ReadString(kUninstallEpValue);
    }
    if (oldUninstaller_.empty() && !existingFolder_.empty()) {
        oldUninstaller_ = Join(existingFolder_, kUninstallerEntryName);
    }
}

std::wstring CInstallRecords::DefaultInstallFolder()
{
    adminAccount_ = ConsoleUserIsAdmin();
    elevated_ = Utils::IsAdminToken();
    if (!existingFolder_.empty() && Utils::FileExists(oldUninstaller_)) return existingFolder_;

    const std::wstring appData = EnvironmentFolder(L"APPDATA");
    std::wstring base;
    if (adminAccount_ && elevated_ && !appData.empty()) {
        base = Join(appData, L"kestrow");
    } else {
        base = ShellFolder(CSIDL_PROGRAM_FILESX86);
        if (base.empty()) base = ShellFolder(CSIDL_PROGRAM_FILES);
    }
    return Join(base, kProductFolderName);
}

std::wstring CInstallRecords::CustomInstallFolder(const std::wstring& editText)
{
    const std::wstring defaultFolder = DefaultInstallFolder();
    if (SameFolder(defaultFolder, editText)) return defaultFolder;
    std::wstring folder = Utils::ReplaceAll(editText, L"/", L"\\");
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder + L"\\" + kProductFolderName;
}

bool CInstallRecords::KeepsOldVersion(const std::wstring& targetFolder) const
{
    if (!SameFolder(existingFolder_, targetFolder)) return false;
    wchar_t value[20] = {};
    ::GetPrivateProfileStringW(L"Uninstall", L"IsOverride", L"true", value, 20,
                               Join(targetFolder, L"set.ini").c_str());
    return std::wcscmp(value, L"false") == 0;
}

void CInstallRecords::WriteProductIni(const std::wstring& installFolder, int languageIndex) const
{
    std::setlocale(LC_ALL, "en_GB.UTF-8");
    const std::wstring setIni = Join(installFolder, L"set.ini");
    WriteIni(setIni, L"Install", L"APPStore", ExeFileName());
    WriteIni(setIni, L"Install", L"AppName", kProductFolderName);
    WriteIni(setIni, L"Install", L"DeviceID", Utils::NewGuidString());

    const std::wstring analyticsFolder = AnalyticsFolder();
    if (!analyticsFolder.empty() && Utils::CreateDirectories(analyticsFolder)) {
        const std::wstring analyticsIni = Join(analyticsFolder, L"TKAnalytics.ini");
        WriteIni(setIni, L"Install", L"TKAnalyticsIni", analyticsIni);
        WriteIni(analyticsIni, L"Init", L"UpdateTime", LocalTimeText());
    }
    WriteIni(Join(installFolder, L"config.ini"), L"Install", L"Language", languageIndex == 2 ? L"zh-TW" : L"en-US");
}

void CInstallRecords::WriteRegistryRecords(const std::wstring& installFolder,
                                           const std::wstring& reportedUninstaller) const
{
    RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, kRegistryKey, KEY_ALL_ACCESS)) return;
    key.WriteString(kInstallPathValue, installFolder);
    const std::wstring entry =
        reportedUninstaller.empty() ? Join(installFolder, kUninstallerEntryName) : reportedUninstaller;
    if (Utils::FileExists(entry)) key.WriteString(kUninstallEpValue, entry);
}

std::wstring CInstallRecords::AnalyticsFolder()
{
    std::wstring base = EnvironmentFolder(L"APPDATA");
    if (base.empty()) base = ShellFolder(CSIDL_COMMON_DOCUMENTS);
    if (base.empty()) return {};
    return Join(Join(base, L"TavikData"), L"Melvane");
}
