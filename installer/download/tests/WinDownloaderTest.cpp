#include "CWinDownloader.h"
#include "DlServer.h"
#include "DownloadOwner.h"
#include "DownloadTestSupport.h"
#include "TempFolder.h"

#include "Utils/Digest.h"
#include "Utils/Text.h"
#include "Utils/UniqueHandle.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <urlmon.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

constexpr long long kMiB = 1048576;

const Event kStart{DL_CODE_START, 1.0, L""};
const Event kSuccess{DL_CODE_SUCCESS, 0.0, L"URLDownloadToFile"};

std::wstring Url(const std::string& path)
{
    return Utils::ToWide(DlServer::Base() + path, Utils::kUtf8CodePage);
}

TEST(WinDownloader, ReportsProgressOnlyWhenTheSizeIsKnown)
{
    struct Case {
        const char* name;
        const char* answer;
        bool progress;
    };
    for (const Case& c : {Case{"sys_sized.bin", "{}", true}, Case{"sys_unsized.bin", R"({"no_length": true})", false}}) {
        const std::string md5 = DlServer::CreatePackage(c.name, 3 * kMiB);
        DlServer::Script(std::string("/") + c.name, "[]", c.answer);
        TempFolder folder;
        Owner owner;
        CWinDownloader downloader(owner.Callback(), Url(std::string("/") + c.name), folder.File(L"setup.exe"));
        downloader.Start();

        ExpectEvents(owner.WaitFinal(), {kStart, kSuccess});
        EXPECT_EQ(Utils::FileMd5Hex(folder.File(L"setup.exe")), md5) << c.name;
        const std::vector<double> values = owner.ProgressValues();
        EXPECT_EQ(!values.empty(), c.progress) << c.name;
        for (const double value : values) {
            EXPECT_GE(value, 0.0);
            EXPECT_LE(value, 1.0);
        }
        if (c.progress) {
            EXPECT_EQ(values.back(), 1.0);
        }
    }
}

TEST(WinDownloader, ThreeFailuresEndInOneFailWithTheLastResult)
{
    // Nothing listens on port 1.
    const std::wstring url = L"http://127.0.0.1:1/setup.exe";
    TempFolder folder;
    Owner owner;
    CWinDownloader downloader(owner.Callback(), url, folder.File(L"setup.exe"));
    downloader.Start();
    const std::vector<Event> events = owner.WaitFinal();
    // What the service answers for the same address, asked directly.
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const HRESULT direct = ::URLDownloadToFileW(nullptr, url.c_str(), folder.File(L"direct.exe").c_str(), 0, nullptr);
    ::CoUninitialize();

    ASSERT_LT(direct, 0);
    ExpectEvents(events, {kStart, {DL_CODE_FAIL, static_cast<double>(direct), L"URLDownloadToFile"}});
    // A one-second pause after each of the three failures.
    const auto elapsed = events[1].at - events[0].at;
    EXPECT_GE(elapsed, std::chrono::milliseconds(2950));
    EXPECT_LT(elapsed, std::chrono::seconds(30));
}

TEST(WinDownloader, SendsEncodedAddressesAndFileAddressesAsGiven)
{
    // A space becomes "+", which the server reads as a "+".
    const std::string md5 = DlServer::CreatePackage("sys_中文+名.bin", kMiB);
    TempFolder folder;
    Owner owner;
    CWinDownloader web(owner.Callback(), Url("/pkg/sys_中文 名.bin"), folder.File(L"web.exe"));
    web.Start();
    ExpectEvents(owner.WaitFinal(), {kStart, kSuccess});
    EXPECT_EQ(Utils::FileMd5Hex(folder.File(L"web.exe")), md5);
    EXPECT_EQ(DlServer::Count(DlServer::Requests("/pkg/sys_%E4%B8%AD%E6%96%87+%E5%90%8D.bin"), "GET"), 1);

    // Encoding would turn the space into "+" and miss the file.
    const std::wstring source = folder.File(L"a b.bin");
    ASSERT_TRUE(::CopyFileW(folder.File(L"web.exe").c_str(), source.c_str(), FALSE));
    Owner fileOwner;
    CWinDownloader local(fileOwner.Callback(), L"file:///" + source, folder.File(L"local.exe"));
    local.Start();
    ExpectEvents(fileOwner.WaitFinal(), {kStart, kSuccess});
    EXPECT_EQ(Utils::FileMd5Hex(folder.File(L"local.exe")), md5);
}

TEST(WinDownloader, SecondStartRunsAgainOnANewWorker)
{
    const std::string md5 = DlServer::CreatePackage("sys_again.bin", kMiB);
    TempFolder folder;
    Owner owner;
    CWinDownloader downloader(owner.Callback(), Url("/sys_again.bin"), folder.File(L"setup.exe"));
    downloader.Start();
    ExpectEvents(owner.WaitFinal(), {kStart, kSuccess});
    ASSERT_TRUE(::DeleteFileW(folder.File(L"setup.exe").c_str()));

    downloader.Start();
    const std::vector<Event> events = owner.WaitFinal(2);
    ExpectEvents(events, {kStart, kSuccess, kStart, kSuccess});
    EXPECT_NE(events[2].thread, events[0].thread);
    EXPECT_EQ(events[3].thread, events[2].thread);
    EXPECT_EQ(Utils::FileMd5Hex(folder.File(L"setup.exe")), md5);
}

TEST(WinDownloader, DestructionCancelsTheTransfer)
{
    DlServer::CreatePackage("sys_destroy.bin", 16 * kMiB);
    DlServer::Script("/sys_destroy.bin", "[]", R"({"rate": 1048576})");
    TempFolder folder;
    Owner owner;
    const auto started = std::chrono::steady_clock::now();
    {
        CWinDownloader downloader(owner.Callback(), Url("/sys_destroy.bin"), folder.File(L"setup.exe"));
        downloader.Start();
        for (int i = 0; i < 200 && owner.ProgressValues().empty(); ++i) ::Sleep(50);
        EXPECT_FALSE(owner.ProgressValues().empty());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    owner.ExpectOnlyStartAndSilence();
}

TEST(WinDownloader, EmptyPathFailsAtOnce)
{
    Owner owner;
    CWinDownloader downloader(owner.Callback(), L"http://127.0.0.1:1/setup.exe", L"");
    downloader.Start();
    ExpectEvents(owner.WaitFinal(), {kStart, {DL_CODE_FAIL, 1.0, L""}});
}

} // namespace
