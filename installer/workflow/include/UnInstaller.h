#pragma once

#include "DownloadEventCallback.h"
#include "Utils/Thread.h"

#include <memory>
#include <string>

// Runs the old version's uninstaller silently on the old installation folder
// and reports the outcome as uninstall events (codes 5002-5005), all sent on
// its worker.
class UnInstaller {
public:
    UnInstaller(DownloadEventCallback callback, std::wstring uninstallerPath, std::wstring oldInstallDirectory);
    // Waits for a running uninstall to end.
    ~UnInstaller();

    UnInstaller(const UnInstaller&) = delete;
    UnInstaller& operator=(const UnInstaller&) = delete;

    std::wstring BuildCommandLine() const;

    // Starts one run on a new worker (after the previous one has ended) and
    // returns at once.
    void Run();

    // Handles the uninstaller's output lines in text; 1 when the last
    // decisive line reported success, 1000 when it reported failure, else 0.
    int Parse(const std::wstring& text);

private:
    void Uninstall();
    void Send(int code, double value, const std::wstring& text = std::wstring());

    DownloadEventCallback callback_;
    std::wstring commandLine_;
    std::wstring uninstallerPath_;
    std::wstring oldInstallDirectory_;
    unsigned codePage_ = 0;
    std::unique_ptr<Utils::Thread> worker_;
};
