#include "tracker/TrackerContext.h"

#include "tracker/DistinctIds.h"
#include "tracker/TextEncoding.h"

#include "Utils/FileSystem.h"
#include "Utils/Text.h"

#include <windows.h>

namespace tavik::tracking {

namespace {

constexpr const wchar_t* kBase = L"Base";

std::string ReadValue(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[TrackerContext::kMaxValueLength + 1] = {};
    ::GetPrivateProfileStringW(section, key, L"", value, TrackerContext::kMaxValueLength + 1, file.c_str());
    return Utf8FromWide(value);
}

void WriteValue(const std::wstring& file, const wchar_t* section, const wchar_t* key, const std::string& value)
{
    ::WritePrivateProfileStringW(section, key, WideFromUtf8(value).c_str(), file.c_str());
}

} // namespace

void TrackerContext::LoadIdentity()
{
    loggedIn = false;
    userId.clear();
    distinctId.clear();
    primaryDistinctId.clear();
    savedUrl.clear();
    const std::wstring file = WideFromUtf8(settingsPath);
    if (Utils::FileExists(file)) {
        distinctId = ReadValue(file, kBase, L"DistinctId");
        primaryDistinctId = ReadValue(file, kBase, L"PrimaryDistinctId");
        if (primaryDistinctId.empty()) primaryDistinctId = distinctId;
        userId = ReadValue(file, kBase, L"UserId");
        int level = 0;
        vipLevel = Utils::ParseLeadingInt(WideFromUtf8(ReadValue(file, kBase, L"UserVipLevel")), level) ? level : 0;
        loggedIn = ReadValue(file, kBase, L"isLogined") == "OK";
        savedUrl = ReadValue(file, kBase, L"URL");
    }
    if (distinctId.empty()) {
        distinctId = NewDistinctId();
        if (primaryDistinctId.empty()) primaryDistinctId = distinctId;
        SaveIdentity();
    }
}

void TrackerContext::SaveIdentity() const
{
    const std::wstring file = WideFromUtf8(settingsPath);
    WriteValue(file, kBase, L"DistinctId", distinctId);
    WriteValue(file, kBase, L"PrimaryDistinctId", primaryDistinctId);
    WriteValue(file, kBase, L"UserId", userId);
    WriteValue(file, kBase, L"UserVipLevel", std::to_string(vipLevel));
    WriteValue(file, kBase, L"URL", savedUrl);
    WriteValue(file, kBase, L"isLogined", loggedIn ? "OK" : "NG");
}

void TrackerContext::WriteUninstallInfo(const std::string& appStore, const std::string& appName,
                                        const std::string& appVersion) const
{
    const std::wstring file = WideFromUtf8(settingsPath);
    WriteValue(file, L"UninstallInfo", L"AppStore", appStore);
    WriteValue(file, L"UninstallInfo", L"AppName", appName);
    WriteValue(file, L"UninstallInfo", L"AppVersion", appVersion);
}

} // namespace tavik::tracking
