#include "CDownloadInstaller.h"
#include "CDownloader.h"
#include "DlServer.h"
#include "EventLog.h"
#include "InstallerConfig.h"
#include "TempFolder.h"
#include "Utils/FileSystem.h"
#include "Utils/SystemInfo.h"
#include "Utils/Text.h"
#include "Utils/UniqueHandle.h"
#include "WorkflowEventCodes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace {

constexpr const wchar_t* kPackageName = L"__Package_Melvane.exe";

// The position of the first event with code at or after from; -1 when none.
int Find(const std::vector<Event>& events, int code, int from = 0)
{
    for (int i = from; i < static_cast<int>(events.size()); ++i) {
        if (events[i].code == code) return i;
    }
    return -1;
}

int CountOf(const std::vector<Event>& events, int code)
{
    return static_cast<int>(std::count_if(events.begin(), events.end(), [code](const Event& e) { return e.code == code; }));
}

bool IsTerminal(const Event& e)
{
    return e.code == IST_CODE_SUCCESS || e.code == IST_CODE_FAIL || e.code == DL_CODE_FAIL ||
           e.code == UNIST_CODE_FAIL || e.code == UNIST_CODE_ERROR;
}

// Waits until an event that ends the chain arrives; returns all events.
std::vector<Event> WaitForEnd(const EventLog& log, DWORD ms = 60000)
{
    const DWORD deadline = ::GetTickCount() + ms;
    for (;;) {
        std::vector<Event> events = log.Events();
        if (std::any_of(events.begin(), events.end(), IsTerminal) || ::GetTickCount() > deadline) return events;
        ::Sleep(20);
    }
}

std::wstring Here()
{
    return Utils::ModuleFolder();
}

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallerConfig::Get().DownloadType = 1;
        InstallerConfig::Get().InsNew = false;
        // Each test has its own package and product id on the shared server.
        const std::string id = Utils::ToNarrow(Utils::NewGuidString(), CP_UTF8);
        const std::string file = "melvane-" + id + ".exe";
        ASSERT_TRUE(::CopyFileW((Here() + L"\\sample-package.exe").c_str(),
                                (DlServer::Root() + L"\\" + Utils::ToWide(file, CP_UTF8)).c_str(), FALSE));
        productId_ = id;
        productFile_ = file;
        DlServer::SetProduct(id, file);
        url_ = Utils::ToWide(DlServer::Base() + "/software/" + id, CP_UTF8);
    }

    // Runs one Start on controller into folder and waits for the chain to end.
    std::vector<Event> Run(CDownloadInstaller& controller, EventLog& log, const std::wstring& url,
                           const std::wstring& oldUninstaller, const std::wstring& folder)
    {
        controller.Init(url, oldUninstaller, folder, true, true, false, false, L"");
        controller.Start();
        return WaitForEnd(log);
    }

    // One Start on a controller of its own; the controller is destroyed
    // before returning, which waits for its workers, so every deletion its
    // handlers make after the last event has happened.
    std::vector<Event> RunOnce(const std::wstring& url, const std::wstring& folder)
    {
        EventLog log;
        CDownloadInstaller controller(log.Callback(), L"", L"", L"", true, true, true);
        return Run(controller, log, url, L"", folder);
    }

    std::string productId_;
    std::string productFile_;
    std::wstring url_;
};

TEST_F(Pipeline, FreshInstallDownloadsChecksAndRunsThePackage)
{
    // Single stream (the default), the system download service, two ranges.
    for (const int type : {1, 2, 3}) {
        SCOPED_TRACE("DownloadType " + std::to_string(type));
        InstallerConfig::Get().DownloadType = type;
        TempFolder folder(L"Melvane");
        EventLog log;
        std::vector<Event> events;
        {
            // Destroying the controller waits for its workers, so the package
            // deletion after 2003 has happened when the block ends.
            CDownloadInstaller controller(log.Callback(), L"", L"", L"", true, true, true);
            events = Run(controller, log, url_, L"", folder.Path());
        }

        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().code, DL_CODE_START);
        const int success = Find(events, DL_CODE_SUCCESS);
        const int start = Find(events, IST_CODE_START, success);
        const int progress = Find(events, IST_CODE_PROGRESS, start);
        const int path = Find(events, IST_CODE_INSTALL_PATH, progress);
        const int exe = Find(events, IST_CODE_START_EXE, path);
        const int entry = Find(events, IST_CODE_UNINSTALL_EP, exe);
        const int done = Find(events, IST_CODE_SUCCESS, entry);
        ASSERT_TRUE(success > 0 && start > success && progress > start && path > progress && exe > path &&
                    entry > exe && done > entry)
            << ::testing::PrintToString(events);
        EXPECT_EQ(CountOf(events, IST_CODE_SUCCESS), 1);
        EXPECT_EQ(events[path].text, folder.Path());

        EXPECT_FALSE(Utils::FileExists(folder.File(kPackageName)));
        EXPECT_FALSE(Utils::FileExists(folder.File(std::wstring(kPackageName) + L".part")));
        EXPECT_TRUE(Utils::FileExists(folder.File(L"Melvane.exe")));
        EXPECT_TRUE(Utils::FileExists(folder.File(L"uninst.ep")));
        EXPECT_EQ(CDownloadInstaller::LastDeletedPackage(), folder.File(kPackageName));
    }
}

TEST_F(Pipeline, OldVersionIsUninstalledThenTheDownloadStartsByItself)
{
    TempFolder folder(L"Melvane");
    // An "old version": the uninstaller entry and a data file it will remove.
    ASSERT_TRUE(::CopyFileW((Here() + L"\\sample-uninstaller.exe").c_str(), folder.File(L"uninst.ep").c_str(), FALSE));
    {
        Utils::UniqueHandle old(::CreateFileW(folder.File(L"Melvane.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(old.Get(), "old", 3, &written, nullptr));
    }

    EventLog log;
    std::vector<Event> events;
    {
        CDownloadInstaller controller(log.Callback(), L"", L"", L"", true, true, true);
        events = Run(controller, log, url_, folder.File(L"uninst.ep"), folder.Path());
    }
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().code, UNIST_CODE_PROGRESS);
    EXPECT_EQ(CountOf(events, UNIST_CODE_START), 0);
    const int uninstalled = Find(events, UNIST_CODE_SUCCESS);
    const int download = Find(events, DL_CODE_START, uninstalled);
    const int installed = Find(events, IST_CODE_SUCCESS, download);
    EXPECT_TRUE(uninstalled > 0 && download > uninstalled && installed > download) << ::testing::PrintToString(events);

    // The uninstaller ran from its copy in the temporary folder; the new
    // version's files replaced the old ones.
    EXPECT_TRUE(Utils::FileExists(Utils::GetTempFolder() + CDownloadInstaller::kUninstallerCopyName));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(folder.File(L"Melvane.dat").c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 1024u * 1024u);
    EXPECT_TRUE(Utils::FileExists(folder.File(L"Melvane.exe")));
}

TEST_F(Pipeline, FailedDownloadsDeleteTheCurrentAndTheRememberedPackage)
{
    TempFolder first(L"first");
    TempFolder second(L"second");
    const std::wstring missing = Utils::ToWide(DlServer::Base() + "/nothing-here-" + productId_ + ".exe", CP_UTF8);
    std::vector<Event> events = RunOnce(missing, first.Path());
    ASSERT_EQ(events.back().code, DL_CODE_FAIL) << ::testing::PrintToString(events);
    EXPECT_FALSE(Utils::FileExists(first.File(kPackageName)));
    EXPECT_EQ(CDownloadInstaller::LastDeletedPackage(), first.File(kPackageName));

    // Something left at the remembered path goes with the next failure.
    Utils::UniqueHandle(::CreateFileW(first.File(kPackageName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                      nullptr));
    ASSERT_TRUE(Utils::FileExists(first.File(kPackageName)));
    events = RunOnce(missing, second.Path());
    ASSERT_EQ(events.back().code, DL_CODE_FAIL);
    EXPECT_FALSE(Utils::FileExists(first.File(kPackageName)));
    EXPECT_FALSE(Utils::FileExists(second.File(kPackageName)));
    EXPECT_EQ(CDownloadInstaller::LastDeletedPackage(), second.File(kPackageName));
}

TEST_F(Pipeline, DigestMismatchRetriesOnTheSameDownloader)
{
    DlServer::SetProduct(productId_, productFile_, "0123456789abcdef0123456789abcdef");
    TempFolder folder(L"Melvane");
    EventLog log;
    std::vector<Event> events;
    {
        // Destroying the controller waits for its workers, so the package
        // deletion after 2003 has happened when the block ends.
        CDownloadInstaller controller(log.Callback(), L"", L"", L"", true, true, true);
        events = Run(controller, log, url_, L"", folder.Path());
    }

    const int retry = Find(events, DL_CODE_RETRY);
    ASSERT_GT(retry, 0) << ::testing::PrintToString(events);
    EXPECT_EQ(events[retry - 1].code, DL_CODE_REPORT);
    EXPECT_EQ(events[retry + 1].code, DL_CODE_START);
    EXPECT_EQ(CountOf(events, DL_CODE_START), 2);
    EXPECT_EQ(events.back().code, DL_CODE_FAIL);
    EXPECT_EQ(CountOf(events, IST_CODE_START), 0);
    EXPECT_FALSE(Utils::FileExists(folder.File(kPackageName)));
}

TEST_F(Pipeline, InsNewWaitsForTheRunningProductBeforeUninstalling)
{
    TempFolder folder(L"Melvane");
    ASSERT_TRUE(::CopyFileW((Here() + L"\\sample-uninstaller.exe").c_str(), folder.File(L"uninst.ep").c_str(), FALSE));
    const std::wstring product = folder.File(L"Melvane.exe");
    ASSERT_TRUE(::CopyFileW((Here() + L"\\Melvane.exe").c_str(), product.c_str(), FALSE));

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + product + L"\"";
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    Utils::UniqueHandle process(pi.hProcess);
    Utils::UniqueHandle thread(pi.hThread);
    ::WaitForInputIdle(process.Get(), 10000);

    InstallerConfig::Get().InsNew = true;
    EventLog log;
    {
        CDownloadInstaller controller(log.Callback(), L"", L"", L"", true, true, true);
        controller.Init(url_, folder.File(L"uninst.ep"), folder.Path(), true, true, false, false, L"");
        std::thread starter([&controller] { controller.Start(); });
        ::Sleep(1500);
        EXPECT_TRUE(log.Events().empty()) << "the uninstall began while the product was running";
        ::TerminateProcess(process.Get(), 0);
        starter.join();
        const std::vector<Event> events = WaitForEnd(log);
        EXPECT_GE(Find(events, UNIST_CODE_SUCCESS), 0) << ::testing::PrintToString(events);
        EXPECT_EQ(events.back().code, IST_CODE_SUCCESS);
    }
    InstallerConfig::Get().InsNew = false;
}

} // namespace
