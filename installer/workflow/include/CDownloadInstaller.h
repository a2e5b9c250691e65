#pragma once

#include "CDownloader.h"
#include "CInstaller.h"
#include "DownloadEventCallback.h"
#include "UnInstaller.h"

#include <memory>
#include <string>

// Drives one installation: an optional silent uninstall of the old version,
// the package download, then the package's silent run. Every event of every
// stage goes unchanged to the owner's callback; the controller's own actions
// are starting the next stage, deleting packages and the download retry.
//
// Start runs on the owner's thread; the handlers run on the workers' threads.
// Init and Start are called only while no stage is running.
class CDownloadInstaller {
public:
    CDownloadInstaller(DownloadEventCallback callback, std::wstring url, std::wstring oldUninstaller,
                       std::wstring installDirectory, bool desktopShortcut, bool quickLaunchShortcut,
                       bool adminAccount);
    ~CDownloadInstaller();

    CDownloadInstaller(const CDownloadInstaller&) = delete;
    CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

    void Init(std::wstring url, std::wstring oldUninstaller, std::wstring installDirectory, bool desktopShortcut,
              bool quickLaunchShortcut, bool adminAccount, bool elevated, std::wstring language);
    void Start();

    const std::wstring& PackagePath() const { return packagePath_; }
    // The package deleted last by any controller of this process.
    static std::wstring LastDeletedPackage();

    static constexpr const wchar_t* kUninstallerCopyName = L"Melvane_un_asa.exe";

private:
    void OnDownloadEvent(int code, double value, const wchar_t* text);
    void OnUninstallEvent(int code, double value, const wchar_t* text);
    void OnInstallEvent(int code, double value, const wchar_t* text);
    void DeletePackages();

    DownloadEventCallback callback_;
    std::wstring url_;
    std::wstring oldUninstaller_;
    std::wstring installDirectory_;
    std::wstring packagePath_;
    std::wstring language_;
    bool desktopShortcut_;
    bool quickLaunchShortcut_;
    bool adminAccount_;
    bool elevated_ = false;

    // The package path and address the current workers were made for.
    std::wstring workersPackagePath_;
    std::wstring workersUrl_;
    std::unique_ptr<UnInstaller> uninstaller_;
    std::unique_ptr<CDownloader> downloader_;
    std::unique_ptr<CInstaller> installer_;
};
