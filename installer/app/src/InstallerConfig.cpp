#include "InstallerConfig.h"

#include "Utils/FileSystem.h"
#include "Utils/SystemInfo.h"
#include "Utils/Text.h"

#include <windows.h>

#include <algorithm>

namespace {
constexpr const wchar_t* kRoutePlaceholder = L"${ROUTE}";
constexpr int kSoftwareId = 589;
constexpr int kIdsWith64BitPackage[] = {267, 385, 257, 335, 318};

std::wstring ReadProfileString(const std::wstring& file, const wchar_t* key, const wchar_t* fallback)
{
    wchar_t buffer[260] = {};
    ::GetPrivateProfileStringW(InstallerConfig::kSection, key, fallback, buffer, 260, file.c_str());
    return buffer;
}

// Built before main() so the record is complete when the entry function runs.
const bool g_configInitialised = (InstallerConfig::Get(), true);
} // namespace

InstallerConfig& InstallerConfig::Get()
{
    static InstallerConfig* config = [] {
        auto* c = new InstallerConfig();
        c->ApplyFile(Utils::ModulePath());
        return c;
    }();
    return *config;
}

InstallerConfig::InstallerConfig()
{
    ApplyDefaults();
}

void InstallerConfig::ApplyDefaults()
{
    ProductName = L"Melvane";
    ProductVersion = L"1.7.9";
    ExeName = L"NULL";
    DlAppNameSuffix = L".downloader";
    DlAppVersion.clear();
    InstCmd.clear();
    DownloadUrl = CompleteDownloadUrl(kDefaultDownloadUrl);
    DownloadType = 1;
    IsCheckNet = false;
    IsEnableAnalytics = true;
    DownloadScale = 0.7;
    AbGroup = L"IN";
    CurlReady = true;
    LanguageIndex = 0;
    InsNew = false;
}

void InstallerConfig::ApplyFile(const std::wstring& exePath)
{
    const size_t slash = exePath.find_last_of(L"\\/");
    ExeName = slash == std::wstring::npos ? exePath : exePath.substr(slash + 1);
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : exePath.substr(0, slash);
    const std::wstring file = folder + L"\\" + kFileName;
    if (!Utils::FileExists(file)) return;

    DownloadUrl = CompleteDownloadUrl(ReadProfileString(file, L"DownloadUrl", kDefaultDownloadUrl));
    int type = 0;
    DownloadType = Utils::ParseLeadingInt(ReadProfileString(file, L"DownloadType", L"1"), type) ? type : 0;
    IsCheckNet = ReadProfileString(file, L"IsCheckNet", L"true") == L"true";
    IsEnableAnalytics = ReadProfileString(file, L"IsEnableAnalytics", L"true") == L"true";
    DlAppNameSuffix = ReadProfileString(file, L"DlAppNameSuffix", L".downloader");
    DlAppVersion = ReadProfileString(file, L"m_DlAppVersion", L"");
    double scale = 0.0;
    SetDownloadScale(Utils::ParseLeadingDouble(ReadProfileString(file, L"DownloadScale", L"0.7"), scale) ? scale : 0.0);
    InstCmd = ReadProfileString(file, L"InstCmd", L"");
}

void InstallerConfig::ApplyCommandLine()
{
    ApplyCommandLine(Utils::CommandLine(::GetCommandLineW()));
}

void InstallerConfig::ApplyCommandLine(const Utils::CommandLine& switches)
{
    // Only "-switch=value" arguments count: a switch written apart from its
    // value ("-downloadtype 2") sets nothing.
    if (switches.HasAssignment(L"-downloadurl")) DownloadUrl = CompleteDownloadUrl(switches.GetString(L"-downloadurl"));
    if (switches.HasAssignment(L"-downloadtype")) DownloadType = switches.GetInt(L"-downloadtype");
    // A value that is not a number keeps the scale in force.
    if (switches.HasAssignment(L"-downloadscale")) SetDownloadScale(switches.GetDouble(L"-downloadscale", DownloadScale));
    if (switches.HasAssignment(L"-ischecknet")) IsCheckNet = switches.GetBool(L"-ischecknet");
    if (switches.HasAssignment(L"-isenableanalytics")) IsEnableAnalytics = switches.GetBool(L"-isenableanalytics");
    if (switches.HasAssignment(L"-dlappnamesuffix")) DlAppNameSuffix = switches.GetString(L"-dlappnamesuffix");
    if (switches.HasAssignment(L"-dlappversion")) DlAppVersion = switches.GetString(L"-dlappversion");
    if (switches.HasAssignment(L"-instcmd")) InstCmd = switches.GetString(L"-instcmd");
    if (switches.HasAssignment(L"-language")) LanguageIndex = switches.GetInt(L"-language");
    if (switches.HasAssignment(L"-insnew")) InsNew = switches.GetBool(L"-insnew");
}

void InstallerConfig::SetDownloadScale(double value)
{
    // Progress is download share plus install share; outside 0..1 it would
    // run past 100% or backwards.
    DownloadScale = std::clamp(value, 0.0, 1.0);
}

std::wstring InstallerConfig::CompleteDownloadUrl(const std::wstring& url)
{
    if (url.find(kRoutePlaceholder) == std::wstring::npos) return url;
    std::wstring osName, osVersion;
    Utils::GetOsVersion(osName, osVersion);
    return CompleteDownloadUrl(url, osVersion, Utils::Is64BitSystem());
}

std::wstring InstallerConfig::CompleteDownloadUrl(const std::wstring& url, const std::wstring& osVersionName,
                                                  bool is64BitSystem)
{
    if (url.find(kRoutePlaceholder) == std::wstring::npos) return url;
    const bool has64BitPackage = std::find(std::begin(kIdsWith64BitPackage), std::end(kIdsWith64BitPackage),
                                           kSoftwareId) != std::end(kIdsWith64BitPackage);
    std::wstring route = L"download_silent";
    if (osVersionName.find(L"XP") != std::wstring::npos) {
        route = L"download_silent_xp";
    } else if (has64BitPackage && is64BitSystem) {
        route = L"download_silent_64";
    }
    return Utils::ReplaceAll(url, kRoutePlaceholder, route);
}
