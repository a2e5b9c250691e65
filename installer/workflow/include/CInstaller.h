#pragma once

#include "DownloadEventCallback.h"
#include "Utils/Thread.h"

#include <memory>
#include <string>

// Runs the downloaded package silently and turns the lines it prints into
// install events (codes 2001-2004 and 3000-3009), all sent on its worker.
class CInstaller {
public:
    // package: full path, already enclosed in double quotes.
    CInstaller(DownloadEventCallback callback, std::wstring package, std::wstring installDirectory,
               bool desktopShortcut, bool quickLaunchShortcut, bool adminAccount);
    // Waits for a running install to end.
    ~CInstaller();

    CInstaller(const CInstaller&) = delete;
    CInstaller& operator=(const CInstaller&) = delete;

    // Set only while no run is going on.
    void SetInstallDirectory(std::wstring directory) { installDirectory_ = std::move(directory); }
    void SetShortcuts(bool desktop, bool quickLaunch)
    {
        desktopShortcut_ = desktop;
        quickLaunchShortcut_ = quickLaunch;
    }
    void SetAccountFlags(bool adminAccount, bool elevated)
    {
        adminAccount_ = adminAccount;
        elevated_ = elevated;
    }
    void SetLanguage(std::wstring language) { language_ = std::move(language); }

    std::wstring BuildInstallCommandLine() const;

    // Starts one run on a new worker (after the previous one has ended) and
    // returns at once.
    void RunInstall();

    // Handles the package's output lines in text; 1 when the last decisive
    // line reported success, 1000 when it reported failure, 0 without one.
    int Parse(const std::wstring& text);

private:
    void Install();
    void Send(int code, double value, const std::wstring& text = std::wstring());

    DownloadEventCallback callback_;
    std::wstring package_;
    std::wstring installDirectory_;
    std::wstring commandLine_;
    bool desktopShortcut_;
    bool quickLaunchShortcut_;
    bool adminAccount_;
    bool elevated_ = false;
    unsigned codePage_ = 0;
    std::wstring language_;
    std::unique_ptr<Utils::Thread> worker_;
};
