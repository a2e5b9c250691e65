#pragma once

#include "Utils/CommandLine.h"

#include <atomic>
#include <string>

// The installer's process-wide configuration: built-in defaults, then
// TavikInstallerConfig.ini beside the executable, then the command line.
// Read-only once start-up has applied the command line, except CurlReady.
class InstallerConfig {
public:
    static constexpr const wchar_t* kDefaultDownloadUrl = L"https://dl.melvane.example/software/385";
    static constexpr const wchar_t* kFileName = L"TavikInstallerConfig.ini";
    static constexpr const wchar_t* kSection = L"Install";

    // The process-wide record; its defaults and file layer are applied during
    // static initialisation.
    static InstallerConfig& Get();

    InstallerConfig();

    void ApplyDefaults();
    // File layer for an executable at exePath: records its file name and reads
    // the configuration file beside it when that file exists.
    void ApplyFile(const std::wstring& exePath);
    // Switch layer from the process command line.
    void ApplyCommandLine();
    void ApplyCommandLine(const Utils::CommandLine& switches);

    // Fills "${ROUTE}" for the running system.
    static std::wstring CompleteDownloadUrl(const std::wstring& url);
    static std::wstring CompleteDownloadUrl(const std::wstring& url, const std::wstring& osVersionName,
                                            bool is64BitSystem);

    std::wstring ProductName;
    std::wstring ProductVersion;
    std::wstring ExeName;
    std::wstring DlAppNameSuffix;
    std::wstring DlAppVersion;
    std::wstring InstCmd;
    std::wstring DownloadUrl;
    int DownloadType = 1;
    bool IsCheckNet = false;
    bool IsEnableAnalytics = true;
    // Share of the progress bar given to the download; always within 0..1.
    double DownloadScale = 0.7;
    std::wstring AbGroup;
    std::atomic<bool> CurlReady{true};
    int LanguageIndex = 0;
    bool InsNew = false;

private:
    void SetDownloadScale(double value);
};
