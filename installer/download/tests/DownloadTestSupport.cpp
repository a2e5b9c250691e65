#include "DownloadTestSupport.h"

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

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}
