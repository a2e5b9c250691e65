#include "CInstaller.h"

#include "ChildRunner.h"
#include "InstallerConfig.h"
#include "OutputProtocol.h"
#include "Utils/Text.h"
#include "Utils/Trace.h"
#include "WorkflowEventCodes.h"

#include <windows.h>

#include <cstdint>

namespace {

constexpr const wchar_t* kInstallFailedText = L"安装包安装失败";

const wchar_t* Bool(bool value)
{
    return value ? L"true" : L"false";
}

// A folder as one double-quoted argument: backslashes before the closing
// quote are doubled so that they do not escape it.
std::wstring QuotedFolder(const std::wstring& folder)
{
    const size_t last = folder.find_last_not_of(L'\\');
    const size_t trailing = folder.size() - (last == std::wstring::npos ? 0 : last + 1);
    return L"\"" + folder + std::wstring(trailing, L'\\') + L"\"";
}

unsigned OutputCodePage(const std::wstring& value)
{
    if (value == L"UTF8") return Utils::kUtf8CodePage;
    if (value == L"ACP") return Utils::kAnsiCodePage;
    const int number = OutputProtocol::Integer(value);
    // A code page the system cannot decode would turn every later line,
    // the result included, into nothing.
    if (number <= 0 || !::IsValidCodePage(static_cast<UINT>(number))) return Utils::kAnsiCodePage;
    return static_cast<unsigned>(number);
}

double StartupStyle(const std::wstring& value)
{
    if (value == L"AutoStartup") return 1.0;
    if (value == L"UserStartup") return 2.0;
    return 0.0;
}

} // namespace

CInstaller::CInstaller(DownloadEventCallback callback, std::wstring package, std::wstring installDirectory,
                       bool desktopShortcut, bool quickLaunchShortcut, bool adminAccount)
    : callback_(std::move(callback)),
      package_(std::move(package)),
      installDirectory_(std::move(installDirectory)),
      desktopShortcut_(desktopShortcut),
      quickLaunchShortcut_(quickLaunchShortcut),
      adminAccount_(adminAccount)
{
}

CInstaller::~CInstaller()
{
    worker_.reset();
}

std::wstring CInstaller::BuildInstallCommandLine() const
{
    std::wstring line = package_ + L" /S -console=show -version=1.0.0";
    line += L" -adminact=" + std::wstring(Bool(adminAccount_));
    line += L" -authorizationact=" + std::wstring(Bool(elevated_));
    line += L" -dsc=" + std::wstring(Bool(desktopShortcut_));
    line += L" -ssc=" + std::wstring(Bool(quickLaunchShortcut_));
    if (!language_.empty()) line += L" -inslang=\"" + language_ + L"\"";
    const std::wstring& instCmd = InstallerConfig::Get().InstCmd;
    if (!instCmd.empty()) line += L" " + instCmd;
    if (!installDirectory_.empty()) {
        line += L" -instdir=" + QuotedFolder(installDirectory_);
        line += L" /D=" + installDirectory_;
    }
    return line;
}

void CInstaller::RunInstall()
{
    // The previous run ends before its command line is replaced.
    worker_.reset();
    commandLine_ = BuildInstallCommandLine();
    worker_ = std::make_unique<Utils::Thread>(this, L"ABDEF",
                                              [](void* self) { static_cast<CInstaller*>(self)->Install(); });
    worker_->Resume();
}

void CInstaller::Install()
{
    Send(IST_CODE_START, 0.0);
    Send(IST_CODE_PROGRESS, 0.0);
    codePage_ = Utils::kAnsiCodePage;

    ChildRunner runner;
    if (!runner.Start(commandLine_)) {
        Send(IST_CODE_FAIL, 2.0);
        return;
    }
    const int result = runner.ReadOutput(codePage_, [this](const std::wstring& line) { return Parse(line); }, true);
    const DWORD exitCode = runner.Finish();
    if (result != 0) return;
    // Without a decisive line only a clean exit is a success: a crash or an
    // error exit must not be taken for an installed product.
    if (exitCode == 0) {
        Send(IST_CODE_SUCCESS, 1.0);
    } else {
        TRACE(L"the package ended with code %lu and no result\r\n", exitCode);
        Send(IST_CODE_FAIL, static_cast<double>(exitCode), kInstallFailedText);
    }
}

int CInstaller::Parse(const std::wstring& text)
{
    using OutputProtocol::Match;
    int result = 0;
    for (const std::wstring& line : OutputProtocol::SplitLines(text)) {
        std::wstring value;
        if (Match(line, L"Progress=", value)) {
            Send(IST_CODE_PROGRESS, OutputProtocol::Number(value));
        } else if (Match(line, L"InstPath=", value)) {
            Send(IST_CODE_INSTALL_PATH, 0.0, value);
        } else if (Match(line, L"State=", value)) {
            value = Utils::Trim(value);
            if (value == L"Success") {
                Send(IST_CODE_SUCCESS, 0.0);
                result = 1;
            } else if (value == L"Fail") {
                Send(IST_CODE_FAIL, 0.0, kInstallFailedText);
                result = 1000;
            }
        } else if (Match(line, L"InstallVersion=", value)) {
            // Known, but the version is of no use here.
        } else if (Match(line, L"ExePath=", value)) {
            TRACE(L"ExePath: %ls\r\n", value.c_str());
            Send(IST_CODE_START_EXE, 0.0, value);
        } else if (Match(line, L"StartExe=", value)) {
            Send(IST_CODE_START_EXE, 0.0, value);
        } else if (Match(line, L"UninstExePath=", value) || Match(line, L"UninstExe=", value)) {
            Send(IST_CODE_UNINSTALL_EXE, 0.0, value);
        } else if (Match(line, L"UninstEp=", value)) {
            Send(IST_CODE_UNINSTALL_EP, 0.0, value);
        } else if (Match(line, L"Error=", value)) {
            Send(IST_CODE_FAIL, 1000.0, value);
            result = 1000;
        } else if (Match(line, L"TopShowDetention=", value)) {
            Send(IST_CODE_TOP_SHOW, static_cast<uint32_t>(OutputProtocol::Integer(value)));
        } else if (Match(line, L"FinsihCloseDetention=", value)) {
            Send(IST_CODE_FINISH_CLOSE, static_cast<uint32_t>(OutputProtocol::Integer(value)));
        } else if (Match(line, L"StartUrl=", value)) {
            Send(IST_CODE_START_URL, 0.0, value);
        } else if (Match(line, L"StartupStyle=", value)) {
            Send(IST_CODE_STARTUP_STYLE, StartupStyle(Utils::Trim(value)));
        } else if (Match(line, L"Encode=", value)) {
            codePage_ = OutputCodePage(Utils::Trim(value));
        } else if (Match(line, L"Message=", value)) {
            Send(IST_CODE_MESSAGE, 0.0, value);
        }
    }
    return result;
}

void CInstaller::Send(int code, double value, const std::wstring& text)
{
    callback_(code, value, text.c_str());
}
