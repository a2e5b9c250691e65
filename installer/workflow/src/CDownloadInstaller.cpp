#include "CDownloadInstaller.h"

#include "DownloaderSelection.h"
#include "InstallerConfig.h"
#include "Utils/FileSystem.h"
#include "Utils/Process.h"
#include "Utils/SystemInfo.h"
#include "Utils/Trace.h"
#include "WorkflowEventCodes.h"

#include <windows.h>

#include <mutex>

namespace {
std::mutex g_lastDeletedMutex;
std::wstring g_lastDeletedPackage;
} // namespace

CDownloadInstaller::CDownloadInstaller(DownloadEventCallback callback, std::wstring url, std::wstring oldUninstaller,
                                       std::wstring installDirectory, bool desktopShortcut,
                                       bool quickLaunchShortcut, bool adminAccount)
    : callback_(std::move(callback)),
      url_(std::move(url)),
      oldUninstaller_(std::move(oldUninstaller)),
      installDirectory_(std::move(installDirectory)),
      desktopShortcut_(desktopShortcut),
      quickLaunchShortcut_(quickLaunchShortcut),
      adminAccount_(adminAccount)
{
}

CDownloadInstaller::~CDownloadInstaller()
{
    // Each stage may start the next one from its own thread (5003 starts the
    // download, 1003 the install), so the workers go in that order: no
    // handler can then reach a worker that is already gone.
    uninstaller_.reset();
    downloader_.reset();
    installer_.reset();
}

void CDownloadInstaller::Init(std::wstring url, std::wstring oldUninstaller, std::wstring installDirectory,
                              bool desktopShortcut, bool quickLaunchShortcut, bool adminAccount, bool elevated,
                              std::wstring language)
{
    url_ = std::move(url);
    oldUninstaller_ = std::move(oldUninstaller);
    installDirectory_ = std::move(installDirectory);
    desktopShortcut_ = desktopShortcut;
    quickLaunchShortcut_ = quickLaunchShortcut;
    adminAccount_ = adminAccount;
    elevated_ = elevated;
    language_ = std::move(language);
}

std::wstring CDownloadInstaller::LastDeletedPackage()
{
    std::lock_guard<std::mutex> lock(g_lastDeletedMutex);
    return g_lastDeletedPackage;
}

void CDownloadInstaller::Start()
{
    const InstallerConfig& config = InstallerConfig::Get();
    packagePath_ = installDirectory_ + L"\\__Package_" + config.ProductName + L".exe";
    TRACE(L"DL_TYPE=%d\r\n", config.DownloadType);

    // Workers made for another folder or address would download and run a
    // package the deletions below never see: make new ones.
    if (packagePath_ != workersPackagePath_ || url_ != workersUrl_) {
        downloader_.reset();
        installer_.reset();
        workersPackagePath_ = packagePath_;
        workersUrl_ = url_;
    }
    if (!downloader_) {
        downloader_ = CreateDownloader(
            config.DownloadType, [this](int code, double value, const wchar_t* text) { OnDownloadEvent(code, value, text); },
            url_, packagePath_);
    }
    if (!installer_) {
        installer_ = std::make_unique<CInstaller>(
            [this](int code, double value, const wchar_t* text) { OnInstallEvent(code, value, text); },
            L"\"" + packagePath_ + L"\"", installDirectory_, desktopShortcut_, quickLaunchShortcut_, adminAccount_);
    }
    installer_->SetInstallDirectory(installDirectory_);
    installer_->SetShortcuts(desktopShortcut_, quickLaunchShortcut_);
    installer_->SetAccountFlags(adminAccount_, elevated_);
    installer_->SetLanguage(language_);

    if (!oldUninstaller_.empty() && Utils::FileExists(oldUninstaller_)) {
        const std::wstring tempFolder = Utils::GetTempFolder();
        // GetTempFolder ends in a backslash; an empty folder leaves an empty
        // copy path, which the uninstaller runner reports as missing.
        const std::wstring copyPath = tempFolder.empty() ? std::wstring() : tempFolder + kUninstallerCopyName;
        const std::wstring oldDirectory = oldUninstaller_.substr(0, oldUninstaller_.find_last_of(L"\\/"));
        if (!copyPath.empty()) ::CopyFileW(oldUninstaller_.c_str(), copyPath.c_str(), FALSE);
        uninstaller_.reset();
        uninstaller_ = std::make_unique<UnInstaller>(
            [this](int code, double value, const wchar_t* text) { OnUninstallEvent(code, value, text); }, copyPath,
            oldDirectory);
        if (config.InsNew) {
            while (Utils::IsProcessRunning(config.ProductName + L".exe")) ::Sleep(100);
        }
        uninstaller_->Run();
        return;
    }
    downloader_->Start();
}

void CDownloadInstaller::DeletePackages()
{
    std::lock_guard<std::mutex> lock(g_lastDeletedMutex);
    ::DeleteFileW(packagePath_.c_str());
    if (!g_lastDeletedPackage.empty()) ::DeleteFileW(g_lastDeletedPackage.c_str());
    g_lastDeletedPackage = packagePath_;
}

void CDownloadInstaller::OnDownloadEvent(int code, double value, const wchar_t* text)
{
    callback_(code, value, text);
    switch (code) {
    case DL_CODE_START:
        TRACE(L"DL_CODE_START\r\n");
        Utils::CreateDirectories(installDirectory_);
        break;
    case DL_CODE_PROGRESS:
        TRACE(L"DL_CODE_PROGRESS\r\n");
        break;
    case DL_CODE_SUCCESS:
        TRACE(L"DOWNLOAD_SUCCESS\r\n");
        installer_->RunInstall();
        TRACE(L"DL_CODE_SUCCESS\r\n");
        break;
    case DL_CODE_FAIL:
        TRACE(L"DL_CODE_FAIL\r\n");
        DeletePackages();
        break;
    case DL_CODE_RETRY:
        TRACE(L"DL_CODE_RETRY\r\n");
        downloader_->Start();
        break;
    default:
        break;
    }
}

void CDownloadInstaller::OnUninstallEvent(int code, double value, const wchar_t* text)
{
    callback_(code, value, text);
    switch (code) {
    case UNIST_CODE_START:
        TRACE(L"UNIST_CODE_START\r\n");
        break;
    case UNIST_CODE_PROGRESS:
        TRACE(L"UNIST_CODE_PROGRESS\r\n");
        break;
    case UNIST_CODE_SUCCESS:
        TRACE(L"UNIST_CODE_SUCCESS\r\n");
        if (installer_) downloader_->Start();
        break;
    case UNIST_CODE_FAIL:
        TRACE(L"UNIST_CODE_FAIL\r\n");
        break;
    case UNIST_CODE_ERROR:
        TRACE(L"UNIST_CODE_ERROR\r\n");
        break;
    default:
        break;
    }
}

void CDownloadInstaller::OnInstallEvent(int code, double value, const wchar_t* text)
{
    callback_(code, value, text);
    switch (code) {
    case IST_CODE_START:
        TRACE(L"IST_CODE_START\r\n");
        break;
    case IST_CODE_SUCCESS:
        TRACE(L"INSTALL_SUCCESS\r\n");
        DeletePackages();
        break;
    case IST_CODE_FAIL:
        TRACE(L"IST_CODE_FAIL\r\n");
        DeletePackages();
        break;
    default:
        break;
    }
}
