#include "TestFolder.h"

#include "Utils/FileSystem.h"
#include "Utils/SystemInfo.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <windows.h>

namespace {
class CurlEnvironment : public ::testing::Environment {
public:
    void SetUp() override { curl_global_init(CURL_GLOBAL_ALL); }
    void TearDown() override { curl_global_cleanup(); }
};
[[maybe_unused]] ::testing::Environment* const curlEnvironment =
    ::testing::AddGlobalTestEnvironment(new CurlEnvironment);
} // namespace

TestFolder::TestFolder() : folder_(Utils::GetTempFolder() + L"dl" + Utils::NewGuidString())
{
    EXPECT_TRUE(Utils::CreateDirectories(folder_));
}

TestFolder::~TestFolder()
{
    Utils::RemoveDirectoryTree(folder_);
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}
