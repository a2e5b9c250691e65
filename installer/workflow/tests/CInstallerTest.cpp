#include "CInstaller.h"
#include "EventLog.h"
#include "InstallerConfig.h"
#include "TempFolder.h"
#include "Utils/FileSystem.h"
#include "Utils/Text.h"
#include "Utils/UniqueHandle.h"
#include "WorkflowEventCodes.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <functional>

namespace {

const std::wstring kFailedText = L"安装包安装失败";

std::wstring PackagePath()
{
    return Utils::ModuleFolder() + L"\\sample-package.exe";
}

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

class InstallerRun : public ::testing::Test {
protected:
    void TearDown() override
    {
        ::SetEnvironmentVariableW(L"MELVANE_SAMPLE", nullptr);
        InstallerConfig::Get().InstCmd.clear();
    }

    // Runs the sample package in sample mode into folder and returns every event.
    static std::vector<Event> Run(const std::wstring& mode, const std::wstring& folder,
                                  const std::wstring& package = Quoted(PackagePath()))
    {
        ::SetEnvironmentVariableW(L"MELVANE_SAMPLE", mode.empty() ? nullptr : mode.c_str());
        EventLog log;
        {
            CInstaller installer(log.Callback(), package, folder, true, false, false);
            installer.RunInstall();
        }
        return log.Events();
    }
};

std::vector<Event> Begin(std::initializer_list<double> progress)
{
    std::vector<Event> events{{IST_CODE_START, 0.0, L""}, {IST_CODE_PROGRESS, 0.0, L""}};
    for (double value : progress) events.push_back({IST_CODE_PROGRESS, value, L""});
    return events;
}

std::vector<Event> Then(std::vector<Event> events, std::initializer_list<Event> more)
{
    events.insert(events.end(), more);
    return events;
}

// What a complete installation into folder reports.
std::vector<Event> Installed(const std::wstring& folder, double startupStyle = 2.0, bool message = false)
{
    std::vector<Event> events = Begin({0.1, 0.3, 0.5, 0.8});
    if (message) events.push_back({IST_CODE_MESSAGE, 0.0, L"欢迎使用 Melvane"});
    return Then(events, {{IST_CODE_INSTALL_PATH, 0.0, folder},
                         {IST_CODE_START_EXE, 0.0, folder + L"\\Melvane.exe"},
                         {IST_CODE_UNINSTALL_EP, 0.0, folder + L"\\uninst.ep"},
                         {IST_CODE_STARTUP_STYLE, startupStyle, L""},
                         {IST_CODE_TOP_SHOW, 3000.0, L""},
                         {IST_CODE_FINISH_CLOSE, 0.0, L""},
                         {IST_CODE_PROGRESS, 1.0, L""},
                         {IST_CODE_SUCCESS, 0.0, L""}});
}

struct RunCase {
    const char* name;
    const wchar_t* mode;
    const wchar_t* folderName;
    std::function<std::vector<Event>(const std::wstring& folder)> expected;
    bool productInstalled;
};

void PrintTo(const RunCase& c, std::ostream* out)
{
    *out << c.name;
}

class InstallerRunCases : public InstallerRun, public ::testing::WithParamInterface<RunCase> {};

TEST_P(InstallerRunCases, ReportsExactlyTheEventsOfThePackage)
{
    const RunCase& c = GetParam();
    TempFolder folder(c.folderName);
    EXPECT_EQ(Run(c.mode, folder.Path()), c.expected(folder.Path()));
    EXPECT_EQ(Utils::FileExists(folder.File(L"Melvane.exe")), c.productInstalled);
    EXPECT_EQ(Utils::FileExists(folder.File(L"uninst.ep")), c.productInstalled);
}

INSTANTIATE_TEST_SUITE_P(
    SamplePackage, InstallerRunCases,
    ::testing::Values(
        RunCase{"Success", L"", L"Melvane", [](const std::wstring& f) { return Installed(f); }, true},
        RunCase{"Fail", L"fail", L"Melvane",
                [](const std::wstring&) { return Then(Begin({0.1, 0.3, 0.5}), {{IST_CODE_FAIL, 0.0, kFailedText}}); },
                true},
        RunCase{"Error", L"error", L"Melvane",
                [](const std::wstring&) {
                    return Then(Begin({0.1, 0.3, 0.5}), {{IST_CODE_FAIL, 1000.0, L"磁盘写入失败"}});
                },
                true},
        // Both lines of one read are handled: the later success decides.
        RunCase{"ErrorThenSuccessInOneWrite", L"error-success", L"Melvane",
                [](const std::wstring&) {
                    return Then(Begin({0.1, 0.3, 0.5}),
                                {{IST_CODE_FAIL, 1000.0, L"磁盘写入失败"}, {IST_CODE_SUCCESS, 0.0, L""}});
                },
                true},
        RunCase{"CrashIsAFailureWithItsExitCode", L"crash", L"Melvane",
                [](const std::wstring&) {
                    const double accessViolation = static_cast<double>(EXCEPTION_ACCESS_VIOLATION);
                    return Then(Begin({0.1}), {{IST_CODE_FAIL, accessViolation, kFailedText}});
                },
                false},
        RunCase{"SilentExitWithCodeZeroIsASuccess", L"exit:0", L"Melvane",
                [](const std::wstring&) { return Then(Begin({}), {{IST_CODE_SUCCESS, 1.0, L""}}); }, false},
        RunCase{"SilentExitWithAnotherCodeIsAFailure", L"exit:1", L"Melvane",
                [](const std::wstring&) { return Then(Begin({}), {{IST_CODE_FAIL, 1.0, kFailedText}}); }, false},
        RunCase{"CodePage936", L"cp936", L"安装 目录",
                [](const std::wstring& f) { return Installed(f); }, true},
        RunCase{"LinesSplitAcrossWrites", L"split", L"安装 目录",
                [](const std::wstring& f) { return Installed(f); }, true},
        RunCase{"StandardErrorBurst", L"stderr", L"Melvane",
                [](const std::wstring& f) { return Installed(f); }, true},
        RunCase{"Message", L"message", L"Melvane",
                [](const std::wstring& f) { return Installed(f, 2.0, true); }, true},
        RunCase{"UnlistedStartupStyle", L"startup:Sometimes", L"Melvane",
                [](const std::wstring& f) { return Installed(f, 0.0); }, true},
        RunCase{"AutoStartup", L"startup:AutoStartup", L"Melvane",
                [](const std::wstring& f) { return Installed(f, 1.0); }, true}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

std::string ReadFileText(const std::wstring& path)
{
    Utils::UniqueHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text(64 * 1024, '\0');
    DWORD read = 0;
    if (!file || !::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) return {};
    text.resize(read);
    return text;
}

TEST_F(InstallerRun, SlowProgressArrivesInOrder)
{
    TempFolder folder;
    std::vector<double> progress;
    for (const Event& event : Run(L"slow", folder.Path())) {
        if (event.code == IST_CODE_PROGRESS) progress.push_back(event.value);
    }
    EXPECT_EQ(progress, (std::vector<double>{0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 0.3, 0.5, 0.8, 1.0}));
}

TEST_F(InstallerRun, PackageReceivesEverySwitch)
{
    TempFolder folder(L"My Apps\\Melvane");
    EventLog log;
    {
        CInstaller installer(log.Callback(), Quoted(PackagePath()), folder.Path(), true, false, false);
        installer.SetAccountFlags(false, true);
        installer.SetLanguage(L"zh-CN");
        installer.RunInstall();
    }
    ASSERT_EQ(log.Events().back(), (Event{IST_CODE_SUCCESS, 0.0, L""}));
    const std::string narrowFolder = Utils::ToNarrow(folder.Path(), Utils::kUtf8CodePage);
    EXPECT_EQ(ReadFileText(folder.File(L"install.log")),
              "-adminact=false\r\n-authorizationact=true\r\n-console=show\r\n-dsc=true\r\n-inslang=zh-CN\r\n"
              "-instdir=" + narrowFolder + "\r\n-ssc=false\r\n-version=1.0.0\r\n/D=" + narrowFolder + "\r\n/S=\r\n");
}

unsigned long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST_F(InstallerRun, InstalledProductOpensItsWindowAndCloses)
{
    TempFolder folder;
    ASSERT_EQ(Run(L"", folder.Path()).back(), (Event{IST_CODE_SUCCESS, 0.0, L""}));
    // The package is as large as a real one and carries its payload.
    EXPECT_GE(FileSize(PackagePath()), 1024ull * 1024);
    EXPECT_EQ(FileSize(folder.File(L"Melvane.dat")), 1572864ull);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = Quoted(folder.File(L"Melvane.exe"));
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &info));
    Utils::UniqueHandle process(info.hProcess);
    Utils::UniqueHandle thread(info.hThread);
    HWND window = nullptr;
    for (int i = 0; i < 200 && !window; ++i) {
        window = ::FindWindowW(L"MelvaneDemoWindow", L"Melvane");
        if (!window) ::Sleep(50);
    }
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(InstallerRun, EmptyInstallFolderLeavesTheChoiceToThePackage)
{
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles)));
    const std::wstring folder = std::wstring(programFiles) + L"\\Melvane";
    const std::vector<Event> events = Run(L"", L"");
    Utils::RemoveDirectoryTree(folder);
    EXPECT_EQ(events, Installed(folder));
}

TEST_F(InstallerRun, InstCmdReachesThePackage)
{
    InstallerConfig::Get().InstCmd = L"-sample=fail";
    TempFolder folder;
    EventLog log;
    {
        CInstaller installer(log.Callback(), Quoted(PackagePath()), folder.Path(), true, true, true);
        installer.RunInstall();
    }
    EXPECT_EQ(log.Events().back(), (Event{IST_CODE_FAIL, 0.0, kFailedText}));
}

TEST_F(InstallerRun, PackageThatCannotStartIsReportedWithTwo)
{
    TempFolder folder;
    EXPECT_EQ(Run(L"", folder.Path(), Quoted(folder.File(L"missing.exe"))),
              Then(Begin({}), {{IST_CODE_FAIL, 2.0, L""}}));
}

TEST_F(InstallerRun, CommandLineTooLongStartsNoChild)
{
    const std::wstring folder = L"C:\\" + std::wstring(500, L'a');
    EXPECT_EQ(Run(L"", folder), Then(Begin({}), {{IST_CODE_FAIL, 2.0, L""}}));
    EXPECT_FALSE(Utils::DirectoryExists(folder));
}

TEST_F(InstallerRun, SecondRunWaitsForTheFirst)
{
    TempFolder folder;
    EventLog log;
    {
        CInstaller installer(log.Callback(), Quoted(PackagePath()), folder.Path(), true, false, false);
        installer.RunInstall();
        installer.RunInstall();
    }
    std::vector<Event> twice = Installed(folder.Path());
    const std::vector<Event> once = twice;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(log.Events(), twice);
}

// Command line.

TEST(InstallerCommandLine, CarriesEveryOptionInOrder)
{
    InstallerConfig::Get().InstCmd = L"-channel=beta";
    CInstaller installer(nullptr, L"\"C:\\tmp\\__Package_Melvane.exe\"", L"D:\\Apps\\Melvane", true, false, true);
    installer.SetAccountFlags(true, true);
    installer.SetLanguage(L"zh-CN");
    EXPECT_EQ(installer.BuildInstallCommandLine(),
              L"\"C:\\tmp\\__Package_Melvane.exe\" /S -console=show -version=1.0.0 -adminact=true "
              L"-authorizationact=true -dsc=true -ssc=false -inslang=\"zh-CN\" -channel=beta "
              L"-instdir=\"D:\\Apps\\Melvane\" /D=D:\\Apps\\Melvane");
    InstallerConfig::Get().InstCmd.clear();
}

TEST(InstallerCommandLine, EmptyFolderAndLanguageAreLeftOut)
{
    CInstaller installer(nullptr, L"\"p.exe\"", L"", false, true, false);
    EXPECT_EQ(installer.BuildInstallCommandLine(),
              L"\"p.exe\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=false -dsc=false "
              L"-ssc=true");
}

TEST(InstallerCommandLine, TrailingBackslashDoesNotEscapeTheQuote)
{
    CInstaller installer(nullptr, L"\"p.exe\"", L"D:\\", false, false, false);
    const std::wstring line = installer.BuildInstallCommandLine();
    EXPECT_NE(line.find(L" -instdir=\"D:\\\\\" /D=D:\\"), std::wstring::npos) << line.c_str();
}

// Output lines, handed to Parse directly.

struct ParseCase {
    const char* name;
    std::wstring text;
    std::vector<Event> events;
    int result;
};

void PrintTo(const ParseCase& c, std::ostream* out)
{
    *out << c.name;
}

class InstallerParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(InstallerParse, SendsTheEventsOfEachLine)
{
    EventLog log;
    CInstaller installer(log.Callback(), L"\"p.exe\"", L"", false, false, false);
    EXPECT_EQ(installer.Parse(GetParam().text), GetParam().result);
    EXPECT_EQ(log.Events(), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, InstallerParse,
    ::testing::Values(
        ParseCase{"Progress", L"Progress=0.25\nProgress=abc\n", {{2002, 0.25, L""}, {2002, 0.0, L""}}, 0},
        ParseCase{"SuccessWithCarriageReturn", L"State=Success\r\n", {{2003, 0.0, L""}}, 1},
        ParseCase{"StateIsTrimmed", L"State=  Fail \r\n", {{2004, 0.0, kFailedText}}, 1000},
        ParseCase{"OtherStateIsIgnored", L"State=Running", {}, 0},
        ParseCase{"LaterDecisiveLineWins", L"Error=disk full\nState=Success\n",
                  {{2004, 1000.0, L"disk full"}, {2003, 0.0, L""}}, 1},
        ParseCase{"FailureAfterSuccess", L"State=Success\nState=Fail", {{2003, 0.0, L""}, {2004, 0.0, kFailedText}},
                  1000},
        ParseCase{"Paths",
                  L"InstPath=C:\\P\r\nExePath=C:\\P\\m.exe\r\nStartExe=C:\\s.exe\nUninstExePath=C:\\u.exe\n"
                  L"UninstExe=C:\\v.exe\nUninstEp=C:\\P\\uninst.ep\nStartUrl=https://melvane.example/welcome",
                  {{3000, 0.0, L"C:\\P"},
                   {3001, 0.0, L"C:\\P\\m.exe"},
                   {3001, 0.0, L"C:\\s.exe"},
                   {3002, 0.0, L"C:\\u.exe"},
                   {3002, 0.0, L"C:\\v.exe"},
                   {3003, 0.0, L"C:\\P\\uninst.ep"},
                   {3004, 0.0, L"https://melvane.example/welcome"}},
                  0},
        ParseCase{"EmptyValue", L"InstPath=\nError=", {{3000, 0.0, L""}, {2004, 1000.0, L""}}, 1000},
        ParseCase{"StartupStyles",
                  L"StartupStyle=NonStartup\nStartupStyle= AutoStartup \nStartupStyle=UserStartup\n"
                  L"StartupStyle=Later",
                  {{3005, 0.0, L""}, {3005, 1.0, L""}, {3005, 2.0, L""}, {3005, 0.0, L""}}, 0},
        ParseCase{"Detentions", L"TopShowDetention=5000\nFinsihCloseDetention=-1\nTopShowDetention=soon",
                  {{3007, 5000.0, L""}, {3008, 4294967295.0, L""}, {3007, 0.0, L""}}, 0},
        ParseCase{"Message", L"Message=请重启电脑", {{3009, 0.0, L"请重启电脑"}}, 0},
        ParseCase{"SilentOrUnknownLines",
                  L"InstallVersion=1.2.3\nEncode=UTF8\nhello\n Progress=0.5\nprogress=0.5\nState\n", {}, 0},
        ParseCase{"LongValueIsCut", L"InstPath=" + std::wstring(800, L'x'), {{3000, 0.0, std::wstring(771, L'x')}}, 0}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

} // namespace
