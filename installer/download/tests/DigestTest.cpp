#include "PackageDigest.h"
#include "DownloadTestSupport.h"
#include "TempFolder.h"

#include "Utils/Digest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(Digest, ExtractsTheSecondToLastSegment)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/d/0123456789abcdef0123456789abcdef/setup.exe", "0123456789abcdef0123456789abcdef"},
        {"http://h/0123456789ABCDEF0123456789ABCDEF/setup.exe", "0123456789ABCDEF0123456789ABCDEF"},
        {"http://h/d/DIGEST/", "DIGEST"},
        {"http://host/setup.exe", "host"},
        {"http://h/a/b?x=1/2", "b?x=1"},
        {"http://h/a//setup.exe", ""},
        {"/setup.exe", ""},
        {"a/b", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Utils::ExtractUrlMd5(c.first), c.second) << c.first;
}

class FileDigest : public ::testing::Test {
protected:
    std::wstring Write(const std::string& content)
    {
        const std::wstring path = folder_.File(L"f" + std::to_wstring(++count_));
        std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
        return path;
    }

    TempFolder folder_;
    int count_ = 0;
};

TEST_F(FileDigest, ComputesMd5OfTheContent)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utils::FileMd5Hex(Write(c.first)), c.second) << c.first.size();
    EXPECT_EQ(Utils::FileMd5Hex(folder_.File(L"missing")), "");
    EXPECT_EQ(Utils::FileMd5Hex(L""), "");
}

TEST_F(FileDigest, ComparesIgnoringLetterCase)
{
    const std::wstring abc = Write("abc");
    const struct {
        const char* url;
        std::wstring path;
        DigestCheck expected;
    } cases[] = {
        {"http://h/900150983cd24fb0d6963f7d28e17f72/p.exe", abc, DigestCheck::Verified},
        {"http://h/900150983CD24FB0D6963F7D28E17F72/p.exe", abc, DigestCheck::Verified},
        {"http://h/900150983cd24fb0d6963f7d28e17f73/p.exe", abc, DigestCheck::Mismatch},
        {"http://h/p.exe", abc, DigestCheck::NoUrlDigest},
        {"http://h/900150983cd24fb0d6963f7d28e17f7/p.exe", abc, DigestCheck::NoUrlDigest},
        {"http://h/900150983cd24fb0d6963f7d28e17f73/p.exe", folder_.File(L"missing"), DigestCheck::Verified},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckPackageDigest(c.url, c.path), c.expected) << c.url;
}

} // namespace
