#include "tracker/DataLocation.h"

#include "tracker/SystemProperties.h"
#include "tracker/TextEncoding.h"

#include "Utils/FileSystem.h"
#include "Utils/Text.h"

#include <windows.h>
#include <shlobj.h>

namespace tavik::tracking {

namespace {

constexpr const char* kSettingsSuffix = "_TKSConfigure.ini";

std::wstring NamedSettingsPath(const std::wstring& exeFolder)
{
    const std::wstring setIni = exeFolder + L"\\Set.ini";
    if (!Utils::FileExists(setIni)) return {};
    // A whole path's room: a path cut short would name another file.
    wchar_t value[MAX_PATH] = {};
    ::GetPrivateProfileStringW(L"Install", L"TKAnalyticsIni", L"", value, MAX_PATH, setIni.c_str());
    return Utils::ReplaceAll(value, L"/", L"\\");
}

// The short form of the per-user local application data folder from Windows
// 7 on, of the shared documents folder before.
std::wstring DefaultBase()
{
    const WindowsVersion version = ReadWindowsVersion();
    const bool win7OrLater = version.major > 6 || (version.major == 6 && version.minor >= 1);
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, win7OrLater ? CSIDL_LOCAL_APPDATA : CSIDL_COMMON_DOCUMENTS, nullptr,
                                  SHGFP_TYPE_CURRENT, folder))) {
        return {};
    }
    wchar_t shortFolder[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameW(folder, shortFolder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? shortFolder : folder;
}

void CreateFolder(const std::wstring& folder)
{
    if (!Utils::DirectoryExists(folder)) ::CreateDirectoryW(folder.c_str(), nullptr);
}

} // namespace

DataLocation ResolveDataLocation(const std::wstring& exeFolder, const std::string& appName)
{
    const std::wstring named = NamedSettingsPath(exeFolder);
    const size_t slash = named.rfind(L'\\');
    if (slash != std::wstring::npos) {
        const std::wstring folder = named.substr(0, slash + 1);
        if (!Utils::DirectoryExists(folder)) Utils::CreateDirectories(folder);
        return {Utf8FromWide(folder), Utf8FromWide(named)};
    }
    const std::wstring base = DefaultBase() + L"\\TKLocal\\";
    const std::wstring folder = base + WideFromUtf8(appName) + L"\\";
    CreateFolder(base);
    CreateFolder(folder);
    const std::string dataFolder = Utf8FromWide(folder);
    return {dataFolder, dataFolder + appName + kSettingsSuffix};
}

} // namespace tavik::tracking
