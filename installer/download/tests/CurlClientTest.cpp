#include "CurlClient.h"
#include "DlServer.h"
#include "DownloadTestSupport.h"
#include "TempFolder.h"

#include "Utils/Digest.h"
#include "Utils/FileSystem.h"
#include "Utils/Text.h"
#include "Utils/UniqueHandle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

constexpr long long kMiB = 1048576;

struct Progress {
    std::vector<double> percents;
    static void Sink(void* owner, double, double, double percent)
    {
        static_cast<Progress*>(owner)->percents.push_back(percent);
    }
};

class CurlClientTest : public ::testing::Test {
protected:
    std::wstring Url(const std::string& path) const { return Utils::ToWide(DlServer::Base() + path, 0); }

    TempFolder folder_;
    Progress progress_;
};

TEST_F(CurlClientTest, FailedTransferKeepsWorkingFileAndResumesIt)
{
    DlServer::CreatePackage("cc404.bin", kMiB + kMiB / 2);
    DlServer::Script("/cc404.bin", R"([{"drop_after": 5000}])", R"({"status": 404})");
    CurlClient client(Url("/cc404.bin"), folder_.File(L"cc404.bin"), nullptr, nullptr);

    EXPECT_EQ(client.Start(), CURLE_PARTIAL_FILE);
    EXPECT_EQ(FileSize(client.GetPath(true)), 5000);
    EXPECT_EQ(client.Start(), CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(FileSize(client.GetPath(true)), 5000);
    EXPECT_EQ(FileSize(client.GetPath(false)), -1);

    const auto requests = DlServer::Requests("/cc404.bin");
    ASSERT_EQ(DlServer::Count(requests, "GET"), 2);
    EXPECT_EQ(requests.back().range, "bytes=5000-");
}

TEST_F(CurlClientTest, RefusesPackagesBelowOneMebibyteAfterBothLookups)
{
    struct Case {
        long long size;
        int result;
        int heads;
    };
    for (const Case& c : {Case{kMiB - 1, CurlClient::kTooSmall, 3}, Case{kMiB, 0, 1}}) {
        const std::string name = "floor" + std::to_string(c.size) + ".bin";
        const std::string md5 = DlServer::CreatePackage(name, c.size);
        DlServer::SetProduct("floor" + std::to_string(c.size), name);
        // The product route with its route segment filled in.
        CurlClient client(Url("/software/floor" + std::to_string(c.size) + "/download_silent"),
                          folder_.File(Utils::ToWide(name, 0)), nullptr, nullptr);

        EXPECT_EQ(client.Start(), c.result) << c.size;
        const auto requests = DlServer::Requests("/" + md5 + "/" + name);
        EXPECT_EQ(DlServer::Count(requests, "HEAD"), c.heads) << c.size;
        EXPECT_EQ(DlServer::Count(requests, "GET"), c.result == 0 ? 1 : 0) << c.size;
        EXPECT_EQ(Utils::FileMd5Hex(client.GetPath(false)), c.result == 0 ? md5 : "") << c.size;
        EXPECT_EQ(FileSize(client.GetPath(true)), -1) << c.size;
    }
}

TEST_F(CurlClientTest, LookupFailuresEndWithoutTransfer)
{
    DlServer::CreatePackage("cc400.bin", 2 * kMiB);
    DlServer::Script("/cc400.bin", "[]", R"({"status": 400})", "HEAD");
    DlServer::Script("/ccloop", "[]", R"({"redirect": "/ccloop"})", "*");
    for (const char* path : {"/cc400.bin", "/ccloop"}) {
        CurlClient client(Url(path), folder_.File(L"lookup.bin"), nullptr, nullptr);
        EXPECT_EQ(client.Start(), CurlClient::kTooSmall) << path;
        EXPECT_EQ(DlServer::Count(DlServer::Requests(path), "GET"), 0) << path;
    }
}

TEST_F(CurlClientTest, ResumesAtWorkingFileSizeWithoutNewLookup)
{
    const long long size = 3 * kMiB;
    const std::string md5 = DlServer::CreatePackage("ccresume.bin", size);
    // Slow enough for progress to be evaluated during the second transfer.
    DlServer::Script("/ccresume.bin", R"([{"drop_after": 1000000}])", R"({"rate": 1048576})");
    CurlClient client(Url("/ccresume.bin"), folder_.File(L"ccresume.bin"), &progress_, &Progress::Sink);

    EXPECT_EQ(client.Start(), CURLE_PARTIAL_FILE);
    EXPECT_EQ(FileSize(client.GetPath(true)), 1000000);
    progress_.percents.clear();
    EXPECT_EQ(client.Start(), 0);

    const auto requests = DlServer::Requests("/ccresume.bin");
    EXPECT_EQ(DlServer::Count(requests, "HEAD"), 1);
    ASSERT_EQ(DlServer::Count(requests, "GET"), 2);
    EXPECT_EQ(requests.back().range, "bytes=1000000-");
    ASSERT_FALSE(progress_.percents.empty());
    EXPECT_GE(progress_.percents.front(), 1000000.0 * 100 / size);
    for (double percent : progress_.percents) EXPECT_LE(percent, 100.0);
    EXPECT_EQ(Utils::FileMd5Hex(client.GetPath(false)), md5);
    EXPECT_EQ(FileSize(client.GetPath(true)), -1);
}

TEST_F(CurlClientTest, ResumesPackagesBeyondTwoGibibytes)
{
    const long long size = (2048 + 2) * kMiB + 5;
    const long long kept = size - kMiB;
    DlServer::CreatePackage("cc2g.bin", size, true);
    DlServer::Script("/cc2g.bin", "[]", R"({"rate": 700000})");
    CurlClient client(Url("/cc2g.bin"), folder_.File(L"cc2g.bin"), &progress_, &Progress::Sink);
    {
        // The server's package is zeros up to its last MiB, as is this file.
        Utils::UniqueHandle part(::CreateFileW(client.GetPath(true).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(part.Valid());
        LARGE_INTEGER end;
        end.QuadPart = kept;
        ASSERT_TRUE(::SetFilePointerEx(part.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(part.Get()));
    }

    EXPECT_EQ(client.Start(), 0);
    EXPECT_EQ(FileSize(client.GetPath(false)), size);
    const auto requests = DlServer::Requests("/cc2g.bin");
    ASSERT_EQ(DlServer::Count(requests, "GET"), 1);
    EXPECT_EQ(requests.back().range, "bytes=" + std::to_string(kept) + "-");
    ASSERT_FALSE(progress_.percents.empty());
    EXPECT_GE(progress_.percents.front(), 100.0 * kept / size);
    for (double percent : progress_.percents) EXPECT_LE(percent, 100.0);

    auto tail = [&](const std::wstring& path) {
        std::ifstream file(std::filesystem::path(path), std::ios::binary);
        file.seekg(kept);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::string expected = tail(DlServer::Root() + L"\\cc2g.bin");
    EXPECT_EQ(expected.size(), static_cast<size_t>(kMiB));
    EXPECT_TRUE(tail(client.GetPath(false)) == expected);
}

TEST_F(CurlClientTest, FailedRenameIsAFailureAndKeepsTheWorkingFile)
{
    const long long size = kMiB + 10;
    const std::string md5 = DlServer::CreatePackage("ccrename.bin", size);
    const std::wstring target = folder_.File(L"ccrename.bin");
    // A folder with content stands where the package should go.
    ASSERT_TRUE(Utils::CreateDirectories(target + L"\\inside"));
    CurlClient client(Url("/ccrename.bin"), target, nullptr, nullptr);

    EXPECT_EQ(client.Start(), CurlClient::kRenameFailed);
    EXPECT_EQ(FileSize(client.GetPath(true)), size);

    // The complete working file only needs its rename now.
    ASSERT_TRUE(Utils::RemoveDirectoryTree(target));
    EXPECT_EQ(client.Start(), 0);
    EXPECT_EQ(Utils::FileMd5Hex(target), md5);
    EXPECT_EQ(DlServer::Count(DlServer::Requests("/ccrename.bin"), "GET"), 1);
}

TEST_F(CurlClientTest, ShortBodyUnderALongerContentLengthIsPartial)
{
    const long long size = kMiB + 20;
    const std::string md5 = DlServer::CreatePackage("cclie.bin", size);
    DlServer::Script("/cclie.bin", R"([{"length": 1049000}])");
    CurlClient client(Url("/cclie.bin"), folder_.File(L"cclie.bin"), nullptr, nullptr);

    EXPECT_EQ(client.Start(), CURLE_PARTIAL_FILE);
    EXPECT_EQ(FileSize(client.GetPath(true)), size);
    // The working file already holds the whole package: no second transfer.
    EXPECT_EQ(client.Start(), 0);
    EXPECT_EQ(Utils::FileMd5Hex(client.GetPath(false)), md5);
    EXPECT_EQ(DlServer::Count(DlServer::Requests("/cclie.bin"), "GET"), 1);
}

TEST_F(CurlClientTest, WorkingFileLongerThanThePackageIsReplaced)
{
    const std::string md5 = DlServer::CreatePackage("cclong.bin", kMiB + 10);
    CurlClient client(Url("/cclong.bin"), folder_.File(L"cclong.bin"), nullptr, nullptr);
    std::ofstream(std::filesystem::path(client.GetPath(true)), std::ios::binary) << std::string(kMiB + 11, 'x');

    EXPECT_EQ(client.Start(), 0);
    EXPECT_EQ(Utils::FileMd5Hex(client.GetPath(false)), md5);
    const auto requests = DlServer::Requests("/cclong.bin");
    ASSERT_EQ(DlServer::Count(requests, "GET"), 1);
    EXPECT_EQ(requests.back().range, "");
}

TEST_F(CurlClientTest, AbortEndsTheTransfer)
{
    DlServer::CreatePackage("ccabort.bin", 2 * kMiB);
    DlServer::Script("/ccabort.bin", "[]", R"({"stall": 60})");
    CurlClient client(Url("/ccabort.bin"), folder_.File(L"ccabort.bin"), nullptr, nullptr);

    int result = -1;
    std::thread transfer([&] { result = client.Start(); });
    while (DlServer::Count(DlServer::Requests("/ccabort.bin"), "GET") == 0) ::Sleep(50);
    client.Abort();
    transfer.join();
    EXPECT_EQ(result, CURLE_ABORTED_BY_CALLBACK);
}

TEST_F(CurlClientTest, FileUrlInTheAnsiCodePage)
{
    const std::wstring source = folder_.File(L"caf\u00e9.bin");
    {
        std::ofstream file(std::filesystem::path(source), std::ios::binary);
        file << std::string(kMiB + 3, 'x');
    }
    const std::wstring url = L"file:///" + Utils::ReplaceAll(source, L"\\", L"/");
    CurlClient client(url, folder_.File(L"copy.bin"), nullptr, nullptr);

    EXPECT_EQ(client.Start(), 0);
    EXPECT_EQ(Utils::FileMd5Hex(client.GetPath(false)), Utils::FileMd5Hex(source));
}

} // namespace
