#include "CMTCurlDownloader.h"
#include "DlServer.h"
#include "DownloadOwner.h"
#include "DownloadTestSupport.h"
#include "TempFolder.h"

#include "InstallerConfig.h"
#include "Utils/Digest.h"
#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

constexpr long long kMiB = 1048576;
constexpr long long kPart = CMTCurlDownloader::kPartSize;

const Event kStart{DL_CODE_START, 1.0, L""};
const Event kSuccess{DL_CODE_SUCCESS, 0.0, L"LibCurl"};

Event Retry(double value)
{
    return {DL_CODE_RETRY, value, L"LibCurl"};
}

Event Fail(double value)
{
    return {DL_CODE_FAIL, value, L"LibCurl"};
}

// Range headers of the GET requests for path, in arrival order.
std::vector<std::string> Ranges(const std::string& path)
{
    std::vector<std::string> ranges;
    for (const DlServer::Request& request : DlServer::Requests(path)) {
        if (request.method == "GET") ranges.push_back(request.range);
    }
    return ranges;
}

std::vector<std::string> Sorted(std::vector<std::string> ranges)
{
    std::sort(ranges.begin(), ranges.end());
    return ranges;
}

std::string Range(long long from, long long to)
{
    return "bytes=" + std::to_string(from) + "-" + std::to_string(to);
}

// A downloader of one product into a fresh folder, with an owner that
// answers RETRY like the workflow.
class MultiPart {
public:
    explicit MultiPart(const std::string& product, bool retry = true)
        : downloader_(owner.Callback(), DlServer::ProductUrl(product), Target())
    {
        if (retry) owner.Attach(&downloader_);
    }

    std::wstring Target() const { return folder_.File(L"setup.exe"); }
    std::wstring PartPath(int index) const { return downloader_.PartPath(index); }
    CMTCurlDownloader& Downloader() { return downloader_; }

    TempFolder folder_;
    Owner owner;

private:
    CMTCurlDownloader downloader_;
};

void ExpectNoPartFiles(const MultiPart& run)
{
    EXPECT_EQ(FileSize(run.PartPath(0)), -1);
    EXPECT_EQ(FileSize(run.PartPath(1)), -1);
}

struct SplitCase {
    long long size;
    std::vector<std::string> ranges;
};

TEST(MultiPart, SplitsIntoAtMostTwoInclusiveRanges)
{
    const SplitCase cases[] = {
        {2 * kPart - 1, {Range(0, 2 * kPart - 2)}},
        {2 * kPart, {Range(0, kPart - 1), Range(kPart, 2 * kPart - 1)}},
        // The last part takes the remainder.
        {2 * kPart + 1, {Range(0, kPart - 1), Range(kPart, 2 * kPart)}},
        {3 * kPart + 3, {Range(0, 3 * kPart / 2), Range(3 * kPart / 2 + 1, 3 * kPart + 2)}},
    };
    for (const SplitCase& c : cases) {
        const std::string name = "mp_split" + std::to_string(c.size);
        const DlServer::Package package = DlServer::Publish(name, c.size);
        MultiPart run(name);
        run.Downloader().Start();

        ExpectEvents(run.owner.WaitFinal(), {kStart, kSuccess});
        EXPECT_EQ(Sorted(Ranges(package.path)), c.ranges) << c.size;
        EXPECT_EQ(Utils::FileMd5Hex(run.Target()), package.md5) << c.size;
        ExpectNoPartFiles(run);
    }
}

TEST(MultiPart, DropInPartOneResumesFromItsFileWithinTheRunAndOnTheRetry)
{
    const DlServer::Package package = DlServer::Publish("mp_drop", 2 * kPart);
    // Part 1 breaks off after 1 MiB, then fails with 500 until its budget is
    // spent (the drop costs 1, each 500 costs 2: eight attempts); the retry
    // run then finds the server well again.
    std::string failures = "[{\"drop_after\": 1048576}";
    for (int i = 0; i < 7; ++i) failures += ", {\"status\": 500}";
    DlServer::Script(package.path, failures + "]", "{}", "GET", kPart);

    MultiPart run("mp_drop");
    run.Downloader().Start();

    ExpectEvents(run.owner.WaitFinal(), {kStart, Retry(22.0), kStart, kSuccess});
    EXPECT_EQ(Utils::FileMd5Hex(run.Target()), package.md5);
    ExpectNoPartFiles(run);

    // Part 0 was complete after the first run and is not fetched again.
    const std::string resumed = Range(kPart + kMiB, 2 * kPart - 1);
    std::vector<std::string> expected = {Range(0, kPart - 1), Range(kPart, 2 * kPart - 1)};
    for (int i = 0; i < 8; ++i) expected.push_back(resumed);
    EXPECT_EQ(Sorted(Ranges(package.path)), Sorted(expected));
    EXPECT_FALSE(run.owner.ProgressValues().empty());
}

struct BudgetCase {
    const char* name;
    const char* failure;
    int attemptsPerRun;
    double code;
};

void PrintTo(const BudgetCase& c, std::ostream* out)
{
    *out << c.name;
}

class MultiPartBudget : public ::testing::TestWithParam<BudgetCase> {};

// A part that keeps failing spends its budget of 12 in each run: the first
// run ends in RETRY, the second in FAIL, both with the part's last code.
TEST_P(MultiPartBudget, PartThatKeepsFailingEndsInRetryThenFail)
{
    const BudgetCase& c = GetParam();
    const DlServer::Package package = DlServer::Publish(c.name, kMiB);
    DlServer::Script(package.path, "[]", c.failure);

    MultiPart run(c.name);
    run.Downloader().Start();

    ExpectEvents(run.owner.WaitFinal(), {kStart, Retry(c.code), kStart, Fail(c.code)});
    EXPECT_EQ(Ranges(package.path).size(), 2u * c.attemptsPerRun);
    EXPECT_EQ(FileSize(run.Target()), -1);
}

INSTANTIATE_TEST_SUITE_P(MultiPart, MultiPartBudget,
                         ::testing::Values(BudgetCase{"mp_status500", R"({"status": 500})", 7, 22.0},
                                           BudgetCase{"mp_partial", R"({"drop_after": 1000})", 13, 18.0}),
                         [](const ::testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

class MultiPartDigest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(MultiPartDigest, ChecksTheJoinedFile)
{
    const DigestCase& c = GetParam();
    const DlServer::Package package = DlServer::Publish(c.name, 2 * kPart + 5, c.digest);
    MultiPart run(c.name);
    run.Downloader().Start();

    const std::vector<Event> events = run.owner.WaitFinal();
    ExpectEvents(events, c.events);
    EXPECT_EQ(Ranges(package.path).size(), 2u * c.transfers);
    ExpectNoPartFiles(run);
    if (events.back().code == DL_CODE_SUCCESS) {
        EXPECT_EQ(Utils::FileMd5Hex(run.Target()), package.md5);
    } else {
        EXPECT_EQ(FileSize(run.Target()), -1);
    }
}

const Event kMismatch{DL_CODE_REPORT, 0.0, L"mtcurl文件md5校验失败"};

// A mismatch on the retry run fetches everything again.
INSTANTIATE_TEST_SUITE_P(
    MultiPart, MultiPartDigest,
    ::testing::Values(
        DigestCase{"mp_mismatch", "0123456789abcdef0123456789abcdef", 2,
                   {kStart, kMismatch, Retry(0.0), kStart, kMismatch, Fail(0.0)}},
        DigestCase{"mp_nodigest", "none", 1, {kStart, {DL_CODE_REPORT, 0.0, L"mtcurl获取url-md5失败"}, kSuccess}},
        DigestCase{"mp_uppercase", "upper", 1, {kStart, kSuccess}}),
    [](const ::testing::TestParamInfo<DigestCase>& info) { return std::string(info.param.name); });

TEST(MultiPart, LookupNeedsLibcurlAndAtLeast256Bytes)
{
    struct Case {
        const char* name;
        long long size;
        bool curlReady;
        std::vector<Event> events;
        int transfers;
        int heads;
    };
    const Case cases[] = {
        {"mp_255", 255, true, {kStart, Fail(0.0)}, 0, 1},
        {"mp_256", 256, true, {kStart, kSuccess}, 1, 1},
        {"mp_nocurl", kMiB, false, {kStart, Fail(0.0)}, 0, 0},
    };
    for (const Case& c : cases) {
        const DlServer::Package package = DlServer::Publish(c.name, c.size);
        InstallerConfig::Get().CurlReady = c.curlReady;
        MultiPart run(c.name);
        run.Downloader().Start();
        ExpectEvents(run.owner.WaitFinal(), c.events);
        InstallerConfig::Get().CurlReady = true;

        const std::vector<DlServer::Request> requests = DlServer::Requests(package.path);
        EXPECT_EQ(DlServer::Count(requests, "GET"), c.transfers) << c.name;
        EXPECT_EQ(DlServer::Count(requests, "HEAD"), c.heads) << c.name;
    }
}

TEST(MultiPart, UnreachableServerFailsTheLookup)
{
    Owner owner;
    TempFolder folder;
    CMTCurlDownloader downloader(owner.Callback(), L"http://127.0.0.1:1/software/none", folder.File(L"setup.exe"));
    downloader.Start();
    ExpectEvents(owner.WaitFinal(), {kStart, Fail(0.0)});
}

// A server that ignores the range sends the package from its first byte:
// the part starting there keeps its range and is complete; a part starting
// elsewhere refuses the bytes instead of storing them at the wrong place.
TEST(MultiPart, AnswerWithoutRangeIsUsedOnlyWhereItFits)
{
    struct Case {
        const char* name;
        long long from;
        size_t requests;
    };
    for (const Case& c : {Case{"mp_wholefor0", 0, 2}, Case{"mp_wholefor1", kPart, 3}}) {
        const DlServer::Package package = DlServer::Publish(c.name, 2 * kPart);
        // Each part's requests get answers of their own.
        DlServer::Script(package.path, "[]", "{}", "GET", kPart);
        DlServer::Script(package.path, R"([{"ignore_range": true}])", "{}", "GET", c.from);
        MultiPart run(c.name);
        run.Downloader().Start();

        ExpectEvents(run.owner.WaitFinal(), {kStart, kSuccess});
        EXPECT_EQ(Utils::FileMd5Hex(run.Target()), package.md5) << c.name;
        EXPECT_EQ(Ranges(package.path).size(), c.requests) << c.name;
    }
}

TEST(MultiPart, RangesBeyondTwoGibibytes)
{
    // Sparse on the server: only its last MiB holds data.
    const long long size = 4 * 1024 * kMiB + 2 * kMiB;
    DlServer::CreatePackage("mp_huge.bin", size, true);
    const std::string path = "/nodigest/mp_huge.bin";
    const long long half = size / 2;
    DlServer::Script(path, "[]", R"({"status": 500})");
    DlServer::Script(path, R"([{"drop_after": 1000}])", R"({"status": 500})", "GET", half);

    Owner owner;
    TempFolder folder;
    CMTCurlDownloader downloader(owner.Callback(), Utils::ToWide(DlServer::Base() + path, Utils::kAnsiCodePage),
                                 folder.File(L"setup.exe"));
    downloader.Start();
    ExpectEvents(owner.WaitFor(DL_CODE_RETRY), {kStart, Retry(22.0)});

    const std::vector<std::string> ranges = Ranges(path);
    const auto asked = [&ranges](const std::string& range) {
        return std::count(ranges.begin(), ranges.end(), range);
    };
    EXPECT_EQ(asked(Range(0, half - 1)), 7);
    EXPECT_EQ(asked(Range(half, size - 1)), 1);
    // Part 1 resumes after the 1000 bytes it has.
    EXPECT_EQ(asked(Range(half + 1000, size - 1)), 7);
}

TEST(MultiPart, ProgressFromBothPartsRisesToTheEnd)
{
    const DlServer::Package package = DlServer::Publish("mp_progress", 3 * kPart);
    DlServer::Script(package.path, "[]", R"({"rate": 4194304})");
    MultiPart run("mp_progress");
    run.Downloader().Start();

    ExpectEvents(run.owner.WaitFinal(), {kStart, kSuccess});
    const std::vector<double> values = run.owner.ProgressValues();
    ASSERT_GE(values.size(), 2u);
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_GT(values[i], 0.0);
        EXPECT_LE(values[i], 1.0);
        if (i > 0) {
            EXPECT_GE(values[i] - values[i - 1], 0.01);
        }
    }
    // Two parts at 4 MiB/s each: past half-way within three seconds.
    EXPECT_GT(values.back(), 0.5);
}

TEST(MultiPart, DestructionEndsAllThreadsAndDeletesThePartFiles)
{
    const DlServer::Package package = DlServer::Publish("mp_destroy", 2 * kPart);
    DlServer::Script(package.path, "[]", R"({"stall": 60, "after": 4096})");
    Owner owner;
    TempFolder folder;
    std::wstring part1;
    const auto started = std::chrono::steady_clock::now();
    {
        CMTCurlDownloader downloader(owner.Callback(), DlServer::ProductUrl("mp_destroy"), folder.File(L"setup.exe"));
        part1 = downloader.PartPath(1);
        downloader.Start();
        for (int i = 0; i < 200 && FileSize(part1) < 4096; ++i) ::Sleep(50);
        EXPECT_EQ(FileSize(part1), 4096);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    owner.ExpectOnlyStartAndSilence();
    EXPECT_EQ(FileSize(part1), -1);
}

TEST(MultiPart, EmptyPathFailsAtOnce)
{
    Owner owner;
    CMTCurlDownloader downloader(owner.Callback(), DlServer::ProductUrl("none"), L"");
    downloader.Start();
    ExpectEvents(owner.WaitFinal(), {kStart, {DL_CODE_FAIL, 1.0, L""}});
}

} // namespace
