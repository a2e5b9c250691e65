#include "CInstaller.h"
#include "EventLog.h"
#include "TempFolder.h"
#include "UnInstaller.h"
#include "Utils/FileSystem.h"
#include "Utils/Text.h"
#include "WorkflowEventCodes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

namespace {

// A product installed by the sample package, and a copy of its uninstaller
// in a folder whose name has a blank, as the workflow makes before running it.
class InstalledProduct : public ::testing::Test {
protected:
    void SetUp() override
    {
        EventLog log;
        {
            CInstaller installer(log.Callback(), L"\"" + Utils::ModuleFolder() + L"\\sample-package.exe\"",
                                 product_.Path(), false, false, false);
            installer.RunInstall();
        }
        ASSERT_EQ(log.WithCode(IST_CODE_SUCCESS).size(), 1u);
        ASSERT_TRUE(::CopyFileW(product_.File(L"uninst.ep").c_str(), Copy().c_str(), FALSE));
    }

    void TearDown() override { ::SetEnvironmentVariableW(L"MELVANE_SAMPLE_UNINSTALL", nullptr); }

    std::wstring Copy() const { return copyFolder_.File(L"Melvane_un_asa.exe"); }

    std::vector<Event> Run(const std::wstring& mode, const std::wstring& uninstaller)
    {
        ::SetEnvironmentVariableW(L"MELVANE_SAMPLE_UNINSTALL", mode.empty() ? nullptr : mode.c_str());
        EventLog log;
        {
            UnInstaller runner(log.Callback(), uninstaller, product_.Path());
            runner.Run();
        }
        return log.Events();
    }

    TempFolder product_{L"Melvane"};
    TempFolder copyFolder_{L"un copy"};
};

const Event kStarted{UNIST_CODE_PROGRESS, 0.0, L""};

struct UninstallCase {
    const char* name;
    const wchar_t* mode;
    std::vector<Event> events;
    bool removed;
};

void PrintTo(const UninstallCase& c, std::ostream* out)
{
    *out << c.name;
}

class UninstallCases : public InstalledProduct, public ::testing::WithParamInterface<UninstallCase> {};

TEST_P(UninstallCases, ReportsExactlyTheEventsOfTheUninstaller)
{
    EXPECT_EQ(Run(GetParam().mode, Copy()), GetParam().events);
    EXPECT_EQ(!Utils::DirectoryExists(product_.Path()), GetParam().removed);
    EXPECT_TRUE(Utils::FileExists(Copy()));
}

INSTANTIATE_TEST_SUITE_P(
    SampleUninstaller, UninstallCases,
    ::testing::Values(
        UninstallCase{"Success",
                      L"",
                      {kStarted,
                       {UNIST_CODE_PROGRESS, 0.1, L""},
                       {UNIST_CODE_PROGRESS, 0.25, L""},
                       {UNIST_CODE_PROGRESS, 0.5, L""},
                       {UNIST_CODE_PROGRESS, 0.75, L""},
                       {UNIST_CODE_PROGRESS, 1.0, L""},
                       {UNIST_CODE_SUCCESS, 0.0, L""}},
                      true},
        // A failure printed just before the uninstaller ends is still read.
        UninstallCase{"Fail",
                      L"fail",
                      {kStarted, {UNIST_CODE_PROGRESS, 0.1, L""}, {UNIST_CODE_ERROR, 0.0, L"安装包卸载失败"}},
                      false},
        UninstallCase{"Error",
                      L"error",
                      {kStarted,
                       {UNIST_CODE_PROGRESS, 0.1, L""},
                       {UNIST_CODE_ERROR, 0.0, L"卸载程序被拒绝访问"}},
                      false},
        UninstallCase{"SilentSuccess", L"silent", {kStarted, {UNIST_CODE_SUCCESS, 1.0, L""}}, true},
        // The exit code is not weighed: a silent end counts as done.
        UninstallCase{"SilentExitWithErrorCode", L"exit:3", {kStarted, {UNIST_CODE_SUCCESS, 1.0, L""}}, false},
        UninstallCase{"Crash", L"crash", {kStarted, {UNIST_CODE_SUCCESS, 1.0, L""}}, false}),
    [](const ::testing::TestParamInfo<UninstallCase>& info) { return info.param.name; });

TEST_F(InstalledProduct, MissingUninstallerStartsNothing)
{
    EXPECT_EQ(Run(L"", copyFolder_.File(L"gone.exe")),
              (std::vector<Event>{{UNIST_CODE_FAIL, 1.0, L"可执行卸载文件不存在"}}));
    EXPECT_TRUE(Utils::FileExists(product_.File(L"Melvane.exe")));
}

TEST_F(InstalledProduct, OnlyUtf8ChangesTheCodePage)
{
    const std::vector<Event> events = Run(L"gbk-error", Copy());
    ASSERT_EQ(events.size(), 3u);
    // Encode=936 leaves the system code page in force.
    EXPECT_EQ(events[2], (Event{UNIST_CODE_ERROR, 0.0, Utils::ToWide("\xd0\xb6\xd4\xd8\xca\xa7\xb0\xdc", 0)}));
    EXPECT_NE(events[2].text, L"卸载失败");
}

TEST(UnInstallerCommandLine, QuotesTheProgramAndEndsWithTheFolder)
{
    UnInstaller runner(nullptr, L"C:\\Temp Dir\\Melvane_un_asa.exe", L"D:\\Apps\\Melvane");
    const std::wstring line = runner.BuildCommandLine();
    EXPECT_EQ(line.rfind(L"\"C:\\Temp Dir\\Melvane_un_asa.exe\" /S -adminact=", 0), 0u) << line.c_str();
    EXPECT_NE(line.find(L" -authorizationact="), std::wstring::npos);
    const std::wstring tail = L" -console=show _?=D:\\Apps\\Melvane";
    ASSERT_GE(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
}

TEST(UnInstallerRun, CommandLineTooLongStartsNoChild)
{
    TempFolder folder;
    const std::wstring copy = folder.File(L"Melvane_un_asa.exe");
    ASSERT_TRUE(::CopyFileW((Utils::ModuleFolder() + L"\\sample-uninstaller.exe").c_str(), copy.c_str(), FALSE));
    EventLog log;
    {
        UnInstaller runner(log.Callback(), copy, L"C:\\" + std::wstring(1000, L'a'));
        runner.Run();
    }
    EXPECT_EQ(log.Events(), (std::vector<Event>{kStarted, {UNIST_CODE_FAIL, 2.0, L""}}));
}

struct UninstallParseCase {
    const char* name;
    std::wstring text;
    std::vector<Event> events;
    int result;
};

void PrintTo(const UninstallParseCase& c, std::ostream* out)
{
    *out << c.name;
}

class UnInstallerParse : public ::testing::TestWithParam<UninstallParseCase> {};

TEST_P(UnInstallerParse, SendsTheEventsOfEachLine)
{
    EventLog log;
    UnInstaller runner(log.Callback(), L"u.exe", L"C:\\P");
    EXPECT_EQ(runner.Parse(GetParam().text), GetParam().result);
    EXPECT_EQ(log.Events(), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UnInstallerParse,
    ::testing::Values(
        UninstallParseCase{"Progress", L"Progress=0.5\r\n", {{5002, 0.5, L""}}, 0},
        UninstallParseCase{"Success", L"State= Success\r\n", {{5003, 0.0, L""}}, 1},
        UninstallParseCase{"Fail", L"State=Fail", {{5005, 0.0, L"安装包卸载失败"}}, 1000},
        UninstallParseCase{"EmptyError", L"Error=", {{5005, 0.0, L""}}, 1000},
        UninstallParseCase{"InstallKeysAreNotUninstallKeys", L"InstPath=C:\\P\nMessage=hi\nEncode=936", {}, 0}),
    [](const ::testing::TestParamInfo<UninstallParseCase>& info) { return info.param.name; });

} // namespace
