#include "CCurlDownloader.h"
#include "DlServer.h"
#include "DownloaderSelection.h"
#include "TestFolder.h"

#include "InstallerConfig.h"
#include "Utils/CommandLine.h"
#include "Utils/Digest.h"
#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

constexpr long long kMiB = 1048576;

struct Event {
    int code;
    double value;
    std::wstring text;
};

// The owner's side: records events and, like the workflow, calls Start again
// from inside DL_CODE_RETRY.
class Owner {
public:
    DownloadEventCallback Callback()
    {
        return [this](int code, double value, const wchar_t* text) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                events_.push_back({code, value, text});
            }
            changed_.notify_all();
            if (code == DL_CODE_RETRY && downloader_) downloader_->Start();
        };
    }

    void Attach(CDownloader* downloader) { downloader_ = downloader; }

    // Events other than progress once a final one (SUCCESS or FAIL) arrived.
    std::vector<Event> WaitFinal()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool ended = changed_.wait_for(lock, std::chrono::seconds(120), [this] {
            return !events_.empty() && (events_.back().code == DL_CODE_SUCCESS || events_.back().code == DL_CODE_FAIL);
        });
        EXPECT_TRUE(ended) << "no final event";
        return Milestones();
    }

    std::vector<Event> Milestones() const
    {
        std::vector<Event> result;
        for (const Event& e : events_) {
            if (e.code != DL_CODE_PROGRESS) result.push_back(e);
        }
        return result;
    }

    std::vector<double> ProgressValues()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<double> values;
        for (const Event& e : events_) {
            if (e.code == DL_CODE_PROGRESS) values.push_back(e.value);
        }
        return values;
    }

    size_t EventCount()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    CDownloader* downloader_ = nullptr;
};

void ExpectEvents(const std::vector<Event>& actual, const std::vector<Event>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].code, expected[i].code) << i;
        EXPECT_EQ(actual[i].value, expected[i].value) << i;
        EXPECT_EQ(actual[i].text, expected[i].text) << i;
    }
}

// A package behind the product route; returns its digest path.
std::string Publish(const std::string& name, long long size)
{
    const std::string md5 = DlServer::CreatePackage(name + ".bin", size);
    DlServer::SetProduct(name, name + ".bin");
    return "/" + md5 + "/" + name + ".bin";
}

std::wstring ProductUrl(const std::string& name)
{
    return Utils::ToWide(DlServer::Base() + "/software/" + name, Utils::kAnsiCodePage);
}

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
    const std::string path = Publish(c.name, kMiB + 4096);
    std::string answers = "[";
    for (int i = 0; i < c.failures; ++i) answers += (i ? ", " : "") + std::string(c.failure);
    DlServer::Script(path, answers + "]");

    TestFolder folder;
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), ProductUrl(c.name), folder.Path(L"package.exe"));
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

struct DigestCase {
    const char* name;
    const char* digest;
    int transfers;
    std::vector<Event> events;
};

void PrintTo(const DigestCase& c, std::ostream* out)
{
    *out << c.name;
}

class DownloaderDigest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(DownloaderDigest, ChecksThePackageDigest)
{
    const DigestCase& c = GetParam();
    const std::string file = c.name + std::string(".bin");
    const std::string md5 = DlServer::CreatePackage(file, kMiB + 777);
    DlServer::SetProduct(c.name, file, c.digest);
    const std::string mode = c.digest;
    std::string segment = mode == "lower" ? md5 : mode == "none" ? "" : mode;
    if (mode == "upper") {
        segment = md5;
        for (char& ch : segment) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    const std::string path = (segment.empty() ? "" : "/" + segment) + "/" + file;

    TestFolder folder;
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), ProductUrl(c.name), folder.Path(L"package.exe"));
    owner.Attach(&downloader);
    downloader.Start();

    ExpectEvents(owner.WaitFinal(), c.events);
    EXPECT_EQ(DlServer::Count(DlServer::Requests(path), "GET"), c.transfers);
    if (c.events.back().code == DL_CODE_SUCCESS) {
        EXPECT_EQ(Utils::FileMd5Hex(folder.Path(L"package.exe")), md5);
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
    const std::string path = Publish("progress", 3 * kMiB);
    DlServer::Script(path, "[]", R"({"rate": 1048576})");
    TestFolder folder;
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), ProductUrl("progress"), folder.Path(L"package.exe"));
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
    const std::string path = Publish("destroy", 2 * kMiB);
    DlServer::Script(path, "[]", R"({"stall": 60})");
    TestFolder folder;
    Owner owner;
    std::wstring part;
    const auto started = std::chrono::steady_clock::now();
    {
        CCurlDownloader downloader(owner.Callback(), ProductUrl("destroy"), folder.Path(L"package.exe"));
        part = downloader.Client().GetPath(true);
        downloader.Start();
        while (DlServer::Count(DlServer::Requests(path), "GET") == 0) ::Sleep(50);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    const size_t count = owner.EventCount();
    ::Sleep(700);
    EXPECT_EQ(owner.EventCount(), count);
    ExpectEvents(owner.Milestones(), {kStart});
    EXPECT_EQ(FileSize(part), -1);
}

TEST(Downloader, EmptyPathFailsAtOnce)
{
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), ProductUrl("none"), L"");
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
        if (c.kind == DownloaderKind::SingleStream) {
            const auto downloader = CreateDownloader(config.DownloadType, nullptr, L"http://127.0.0.1/", L"x.exe");
            EXPECT_NE(dynamic_cast<CCurlDownloader*>(downloader.get()), nullptr) << c.switchValue;
        }
    }
}

} // namespace
