#include "CCurlDownloader.h"

#include "PackageDigest.h"
#include "Utils/Trace.h"

CCurlDownloader::CCurlDownloader(DownloadEventCallback callback, std::wstring url, std::wstring path)
    : callback_(std::move(callback)),
      path_(std::move(path)),
      url_(std::move(url)),
      client_(url_, path_, this, &CCurlDownloader::OnProgress),
      worker_(L"ABDEF", [this] { dlThreadFun(); })
{
    // A working file of an earlier process is not trusted for resuming.
    if (!path_.empty()) ::DeleteFileW(client_.GetPath(true).c_str());
}

CCurlDownloader::~CCurlDownloader()
{
    stop_.Set();
    client_.Abort();
    worker_.Close();
}

void CCurlDownloader::Start()
{
    worker_.Start();
}

void CCurlDownloader::OnProgress(void* owner, double bytesPerSecond, double, double percent)
{
    auto* self = static_cast<CCurlDownloader*>(owner);
    if (bytesPerSecond > 0 && percent <= 100.0) self->callback_(DL_CODE_PROGRESS, percent / 100.0, L"");
}

void CCurlDownloader::dlThreadFun()
{
    callback_(DL_CODE_START, 1.0, L"");
    if (path_.empty()) {
        // Nothing could be written anywhere: the run ends here.
        callback_(DL_CODE_FAIL, 1.0, L"");
        return;
    }

    int result = client_.Start();
    int budget = kBudget;
    while (result != 0) {
        if (stop_.IsSet()) return;
        budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
        if (budget <= 0) {
            callback_(DL_CODE_FAIL, result, DL_TEXT_LIBCURL);
            return;
        }
        TRACE(L"CurlDownLoader Code=%d\r\n", result);
        if (!stop_.Pause(kPauseMs)) return;
        result = client_.Start();
    }

    switch (CheckPackageDigest(client_.RealUrl(), path_)) {
    case DigestCheck::Mismatch:
        callback_(DL_CODE_REPORT, 0.0, L"curl文件md5校验失败");
        if (retried_) {
            callback_(DL_CODE_FAIL, 0.0, DL_TEXT_LIBCURL);
        } else {
            retried_ = true;
            callback_(DL_CODE_RETRY, 0.0, DL_TEXT_LIBCURL);
        }
        return;
    case DigestCheck::NoUrlDigest:
        callback_(DL_CODE_REPORT, 0.0, L"curl获取url-md5失败");
        break;
    case DigestCheck::Verified:
        break;
    }
    callback_(DL_CODE_SUCCESS, 0.0, DL_TEXT_LIBCURL);
}
