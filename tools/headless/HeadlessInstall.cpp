// Runs the whole install pipeline without a window: configuration as the
// installer reads it (defaults, TavikInstallerConfig.ini beside this program,
// switches), then uninstall, download and install, printing every event as
// one line "code value text" in UTF-8. Analytics starts and stops as in the
// installer, with the stage reports the installer makes for these events.
//
// Switches besides the installer's own: -instdir=<folder> (default: the
// folder the installer would propose), -dsc=false, -ssc=false,
// -inslang=<tag>. Exit code: 0 after 2003; 1 after 2004, 1004, 5004 or 5005.
#include "CDownloadInstaller.h"
#include "CDownloader.h"
#include "CInstallRecords.h"
#include "EventReporting.h"
#include "InstallerConfig.h"
#include "Utils/CommandLine.h"
#include "Utils/Stopwatch.h"
#include "Utils/Text.h"
#include "Utils/UniqueHandle.h"
#include "WorkflowEventCodes.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

class Outcome {
public:
    Outcome() : done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    void OnEvent(int code, double value, const wchar_t* text)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string line = std::to_string(code) + " " + Format(value) + " " +
                                 Utils::ToNarrow(text ? text : L"", Utils::kUtf8CodePage) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
        Report(code);
        if (code == IST_CODE_INSTALL_PATH && text) installPath_ = text;
        if (code == IST_CODE_UNINSTALL_EP && text) uninstallEntry_ = text;
        if (code == IST_CODE_SUCCESS) Finish(0);
        if (code == IST_CODE_FAIL || code == DL_CODE_FAIL || code == UNIST_CODE_FAIL || code == UNIST_CODE_ERROR) {
            Finish(1);
        }
    }

    int Wait()
    {
        ::WaitForSingleObject(done_.Get(), INFINITE);
        std::lock_guard<std::mutex> lock(mutex_);
        return exitCode_;
    }

    std::wstring InstallPath()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return installPath_;
    }
    std::wstring UninstallEntry()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return uninstallEntry_;
    }

private:
    void Report(int code)
    {
        const ReportExtra ab{{L"AB", InstallerConfig::Get().AbGroup}};
        if (code == DL_CODE_START) {
            if (!downloaderReported_) ReportTask(L"下载器启动", 0.0f, L"", ab);
            downloaderReported_ = true;
            ReportTask(L"开始下载大包", 0.0f, L"", ab);
            downloadWatch_.Start();
        } else if (code == DL_CODE_SUCCESS) {
            ReportTask(L"大包下载完毕", downloadWatch_.Elapsed(), L"", ab);
        } else if (code == IST_CODE_SUCCESS) {
            ReportTask(L"安装成功", 0.0f, L"", ab);
        }
    }

    static std::string Format(double value)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "%g", value);
        return buffer;
    }

    void Finish(int exitCode)
    {
        exitCode_ = exitCode;
        ::SetEvent(done_.Get());
    }

    std::mutex mutex_;
    Utils::UniqueHandle done_;
    int exitCode_ = 1;
    bool downloaderReported_ = false;
    Utils::Stopwatch downloadWatch_;
    std::wstring installPath_;
    std::wstring uninstallEntry_;
};

bool Flag(const Utils::CommandLine& switches, const wchar_t* key)
{
    return !switches.HasAssignment(key) || switches.GetString(key) != L"false";
}

int RunPipeline(const InstallerConfig& config)
{
    const Utils::CommandLine switches(::GetCommandLineW());

    CInstallRecords records;
    records.ReadInstallRecords();
    const std::wstring proposed = records.DefaultInstallFolder();
    const std::wstring folder =
        switches.HasAssignment(L"-instdir") ? records.CustomInstallFolder(switches.GetString(L"-instdir")) : proposed;
    const std::wstring oldUninstaller = records.KeepsOldVersion(folder) ? std::wstring() : records.OldUninstaller();
    std::printf("folder %s\n", Utils::ToNarrow(folder, Utils::kUtf8CodePage).c_str());
    std::fflush(stdout);

    Outcome outcome;
    {
        CDownloadInstaller controller([&outcome](int code, double value, const wchar_t* text) {
            outcome.OnEvent(code, value, text);
        }, L"", L"", L"", true, true, true);
        controller.Init(config.DownloadUrl, oldUninstaller, folder, Flag(switches, L"-dsc"), Flag(switches, L"-ssc"),
                        records.AdminAccount(), records.Elevated(), switches.GetString(L"-inslang"));
        controller.Start();
        if (outcome.Wait() != 0) return 1;
    }

    // What the window records after a successful install.
    const std::wstring installed = outcome.InstallPath().empty() ? folder : outcome.InstallPath();
    records.WriteProductIni(installed, config.LanguageIndex);
    records.WriteRegistryRecords(installed, outcome.UninstallEntry());
    return 0;
}

} // namespace

int wmain()
{
    InstallerConfig& config = InstallerConfig::Get();
    if (config.IsEnableAnalytics) StartAnalytics();
    config.ApplyCommandLine();
    const int exitCode = RunPipeline(config);
    if (config.IsEnableAnalytics) StopAnalytics();
    return exitCode;
}
