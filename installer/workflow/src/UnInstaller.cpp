#include "UnInstaller.h"

#include "AccountFlags.h"
#include "ChildRunner.h"
#include "OutputProtocol.h"
#include "Utils/Accounts.h"
#include "Utils/FileSystem.h"
#include "Utils/Text.h"
#include "WorkflowEventCodes.h"

namespace {
constexpr const wchar_t* kMissingUninstallerText = L"可执行卸载文件不存在";
constexpr const wchar_t* kUninstallFailedText = L"安装包卸载失败";
} // namespace

UnInstaller::UnInstaller(DownloadEventCallback callback, std::wstring uninstallerPath, std::wstring oldInstallDirectory)
    : callback_(std::move(callback)),
      uninstallerPath_(std::move(uninstallerPath)),
      oldInstallDirectory_(std::move(oldInstallDirectory))
{
}

UnInstaller::~UnInstaller()
{
    worker_.reset();
}

std::wstring UnInstaller::BuildCommandLine() const
{
    // The path is quoted so that a temporary folder with blanks in its name
    // cannot make the system start some other program. "_?=" stays unquoted
    // and last, as uninstallers read it.
    std::wstring line = L"\"" + uninstallerPath_ + L"\" /S";
    line += L" -adminact=" + std::wstring(ConsoleUserIsAdmin() ? L"true" : L"false");
    line += L" -authorizationact=" + std::wstring(Utils::IsAdminToken() ? L"true" : L"false");
    line += L" -console=show _?=" + oldInstallDirectory_;
    return line;
}

void UnInstaller::Run()
{
    // The previous run ends before its command line is replaced.
    worker_.reset();
    commandLine_ = BuildCommandLine();
    worker_ = std::make_unique<Utils::Thread>(this, L"UnInstaller",
                                              [](void* self) { static_cast<UnInstaller*>(self)->Uninstall(); });
    worker_->Resume();
}

void UnInstaller::Uninstall()
{
    if (!Utils::FileExists(uninstallerPath_)) {
        Send(UNIST_CODE_FAIL, 1.0, kMissingUninstallerText);
        return;
    }
    Send(UNIST_CODE_PROGRESS, 0.0);
    codePage_ = Utils::kAnsiCodePage;

    ChildRunner runner;
    if (!runner.Start(commandLine_)) {
        Send(UNIST_CODE_FAIL, 2.0);
        return;
    }
    // Everything the uninstaller prints is read, also after it has reported,
    // and also when it ends at once.
    const int result = runner.ReadOutput(codePage_, [this](const std::wstring& line) { return Parse(line); }, false);
    runner.Finish();
    if (result == 0) Send(UNIST_CODE_SUCCESS, 1.0);
}

int UnInstaller::Parse(const std::wstring& text)
{
    using OutputProtocol::Match;
    int result = 0;
    for (const std::wstring& line : OutputProtocol::SplitLines(text)) {
        std::wstring value;
        if (Match(line, L"Progress=", value)) {
            Send(UNIST_CODE_PROGRESS, OutputProtocol::Number(value));
        } else if (Match(line, L"Error=", value)) {
            Send(UNIST_CODE_ERROR, 0.0, value);
            result = 1000;
        } else if (Match(line, L"State=", value)) {
            value = Utils::Trim(value);
            if (value == L"Success") {
                Send(UNIST_CODE_SUCCESS, 0.0);
                result = 1;
            } else if (value == L"Fail") {
                Send(UNIST_CODE_ERROR, 0.0, kUninstallFailedText);
                result = 1000;
            }
        } else if (Match(line, L"Encode=", value)) {
            codePage_ = Utils::Trim(value) == L"UTF8" ? Utils::kUtf8CodePage : Utils::kAnsiCodePage;
        }
    }
    return result;
}

void UnInstaller::Send(int code, double value, const std::wstring& text)
{
    callback_(code, value, text.c_str());
}
