#include "CCurlDownloader.h"
#include "CMTCurlDownloader.h"
#include "CWinDownloader.h"
#include "DlServer.h"
#include "DownloadOwner.h"
#include "DownloaderSelection.h"
#include "DownloadTestSupport.h"
#include "TempFolder.h"

#include "InstallerConfig.h"
#include "Utils/CommandLine.h"
#include "Utils/Digest.h"
#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <vector>

namespace {

constexpr long long kMiB = 1048576;

struct BudgetCase {
    const char* name;
    int failures;
    const char* failure;
    Event final;
};

void PrintTo(const BudgetCase& c, std::ostream* out)
{
    *out << c.name;
}

class DownloaderBudget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(DownloaderBudget, RetriesWithinBudget)
{
    const BudgetCase& c = GetParam();
    const std::string path = DlServer::Publish(c.name, kMiB + 4096).path;
    std::string answers = "[";
    for (int i = 0; i < c.failures; ++i) answers += (i ? ", " : "") + std::string(c.failure);
    DlServer::Script(path, answers + "]");

    TempFolder folder;
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), DlServer::ProductUrl(c.name), folder.File(L"package.exe"));
    // A stalled answer then ends with libcurl's timeout code after a second.
    downloader.Client().SetStallTimeout(1);
    downloader.Start();

    ExpectEvents(owner.WaitFinal(), {{DL_CODE_START, 1.0, L""}, c.final});
    const int attempts = c.failures + (c.final.code == DL_CODE_SUCCESS ? 1 : 0);
    EXPECT_EQ(DlServer::Count(DlServer::Requests(path), "GET"), attempts);
}

// A timeout costs 2 of the budget of 12, an interrupted transfer 1.
INSTANTIATE_TEST_SUITE_P(
    Download, DownloaderBudget,
    ::testing::Values(BudgetCase{"timeout5", 5, R"({"stall": 30})", {DL_CODE_SUCCESS, 0.0, L"LibCurl"}},
                      BudgetCase{"timeout6", 6, R"({"stall": 30})", {DL_CODE_FAIL, 28.0, L"LibCurl"}},
                      BudgetCase{"partial11", 11, R"({"drop_after": 1000})", {DL_CODE_SUCCESS, 0.0, L"LibCurl"}},
                      BudgetCase{"partial12", 12, R"({"drop_after": 1000})", {DL_CODE_FAIL, 18.0, L"LibCurl"}}),
    [](const ::testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

class DownloaderDigest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(DownloaderDigest, ChecksThePackageDigest)
{
    const DigestCase& c = GetParam();
    const DlServer::Package package = DlServer::Publish(c.name, kMiB + 777, c.digest);

    TempFolder folder;
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), DlServer::ProductUrl(c.name), folder.File(L"package.exe"));
    owner.Attach(&downloader);
    downloader.Start();

    ExpectEvents(owner.WaitFinal(), c.events);
    EXPECT_EQ(DlServer::Count(DlServer::Requests(package.path), "GET"), c.transfers);
    if (c.events.back().code == DL_CODE_SUCCESS) {
        EXPECT_EQ(Utils::FileMd5Hex(folder.File(L"package.exe")), package.md5);
    }
}

const Event kStart{DL_CODE_START, 1.0, L""};
const Event kSuccess{DL_CODE_SUCCESS, 0.0, L"LibCurl"};
const Event kMismatch{DL_CODE_REPORT, 0.0, L"curl文件md5校验失败"};

INSTANTIATE_TEST_SUITE_P(
    Download, DownloaderDigest,
    ::testing::Values(
        DigestCase{"mismatch", "0123456789abcdef0123456789abcdef", 2,
                   {kStart, kMismatch, {DL_CODE_RETRY, 0.0, L"LibCurl"}, kStart, kMismatch,
                    {DL_CODE_FAIL, 0.0, L"LibCurl"}}},
        DigestCase{"nodigest", "none", 1, {kStart, {DL_CODE_REPORT, 0.0, L"curl获取url-md5失败"}, kSuccess}},
        DigestCase{"uppercase", "upper", 1, {kStart, kSuccess}},
        DigestCase{"lowercase", "lower", 1, {kStart, kSuccess}}),
    [](const ::testing::TestParamInfo<DigestCase>& info) { return std::string(info.param.name); });

TEST(Downloader, ReportsProgressAsFractions)
{
    const std::string path = DlServer::Publish("progress", 3 * kMiB).path;
    DlServer::Script(path, "[]", R"({"rate": 1048576})");
    TempFolder folder;
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), DlServer::ProductUrl("progress"), folder.File(L"package.exe"));
    downloader.Start();

    ExpectEvents(owner.WaitFinal(), {kStart, kSuccess});
    const std::vector<double> values = owner.ProgressValues();
    ASSERT_FALSE(values.empty());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_GT(values[i], 0.0);
        EXPECT_LE(values[i], 1.0);
        if (i > 0) {
            EXPECT_GE(values[i], values[i - 1]);
        }
    }
}

TEST(Downloader, DestructionEndsTheRunAndItsThread)
{
    const std::string path = DlServer::Publish("destroy", 2 * kMiB).path;
    DlServer::Script(path, "[]", R"({"stall": 60})");
    TempFolder folder;
    Owner owner;
    std::wstring part;
    const auto started = std::chrono::steady_clock::now();
    {
        CCurlDownloader downloader(owner.Callback(), DlServer::ProductUrl("destroy"), folder.File(L"package.exe"));
        part = downloader.Client().GetPath(true);
        downloader.Start();
        while (DlServer::Count(DlServer::Requests(path), "GET") == 0) ::Sleep(50);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    owner.ExpectOnlyStartAndSilence();
    EXPECT_EQ(FileSize(part), -1);
}

TEST(Downloader, EmptyPathFailsAtOnce)
{
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), DlServer::ProductUrl("none"), L"");
    downloader.Start();
    ExpectEvents(owner.WaitFinal(), {kStart, {DL_CODE_FAIL, 1.0, L""}});
}

TEST(DownloaderSelection, TypesSelectTheirDownloaders)
{
    struct Case {
        const wchar_t* switchValue;
        DownloaderKind kind;
    };
    const Case cases[] = {
        {L"0", DownloaderKind::SingleStream}, {L"1", DownloaderKind::SingleStream},
        {L"4", DownloaderKind::SingleStream}, {L"abc", DownloaderKind::SingleStream},
        {L"2", DownloaderKind::System},       {L"3", DownloaderKind::MultiPart},
    };
    for (const Case& c : cases) {
        InstallerConfig config;
        config.ApplyCommandLine(Utils::CommandLine(std::wstring(L"setup.exe -downloadtype=") + c.switchValue));
        EXPECT_EQ(SelectDownloader(config.DownloadType), c.kind) << c.switchValue;
        const auto downloader = CreateDownloader(config.DownloadType, nullptr, L"http://127.0.0.1/", L"x.exe");
        CDownloader* const made = downloader.get();
        const bool right = c.kind == DownloaderKind::System      ? dynamic_cast<CWinDownloader*>(made) != nullptr
                           : c.kind == DownloaderKind::MultiPart ? dynamic_cast<CMTCurlDownloader*>(made) != nullptr
                                                                 : dynamic_cast<CCurlDownloader*>(made) != nullptr;
        EXPECT_TRUE(right) << c.switchValue;
    }
}

} // namespace
