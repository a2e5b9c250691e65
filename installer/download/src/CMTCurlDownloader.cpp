#include "CMTCurlDownloader.h"

#include "InstallerConfig.h"
#include "PackageDigest.h"
#include "PartJoiner.h"
#include "Utils/Trace.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kPartBudget = 12;
constexpr DWORD kPartPauseMs = 400;
// A transfer slower than 1 byte per second for 5 seconds ends with code 28.
constexpr long kLowSpeedBytes = 1;
constexpr long kLowSpeedSeconds = 5;
// How often the finisher looks for new bytes while the parts download.
constexpr DWORD kFinisherPollMs = 10;

// -1 when the file does not exist or cannot be queried.
int64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// The finisher reads the file, and appends to part 0's, while it is open.
HANDLE OpenForAppending(const std::wstring& path)
{
    return ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

CMTCurlDownloader::CMTCurlDownloader(DownloadEventCallback callback, std::wstring url, std::wstring path)
    : callback_(std::move(callback)),
      path_(std::move(path)),
      url_(std::move(url)),
      planner_(L"ABDEF", [this] { Start_Down(); })
{
    if (path_.empty()) return;
    ::DeleteFileW(path_.c_str());
    DeletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader()
{
    stop_.Set();
    planner_.Close();
    finisher_.reset();
    // Part threads a stopped planner started without a finisher.
    parts_.clear();
    if (!path_.empty()) DeletePartFiles();
}

void CMTCurlDownloader::Start()
{
    planner_.Start();
}

std::wstring CMTCurlDownloader::PartPath(int index) const
{
    return path_ + L"_" + std::to_wstring(index);
}

void CMTCurlDownloader::Send(int code, double value, const wchar_t* text)
{
    if (!stop_.IsSet() && callback_) callback_(code, value, text);
}

double CMTCurlDownloader::LastPercent()
{
    std::lock_guard<std::mutex> lock(progressMutex_);
    return lastPercent_;
}

void CMTCurlDownloader::SetLastPercent(double percent)
{
    std::lock_guard<std::mutex> lock(progressMutex_);
    lastPercent_ = percent;
}

void CMTCurlDownloader::DeletePartFiles() const
{
    for (int i = 0; i < kMaxParts; ++i) ::DeleteFileW(PartPath(i).c_str());
}

void CMTCurlDownloader::Start_Down()
{
    // The previous run's finisher may still be returning from its last event.
    finisher_.reset();

    Send(DL_CODE_START, 1.0, L"");
    TRACE(L"start download\r\n");
    if (path_.empty()) {
        // No part file could be placed anywhere sensible: the run ends here.
        Send(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    const std::string transferUrl = CurlEasy::TransferUrl(url_);
    ::DeleteFileW(path_.c_str());
    // A run that never reported progress starts from scratch.
    if (LastPercent() == 0.0) DeletePartFiles();

    if ((realUrl_.empty() || length_ < kMinimumLength) && !getRealDownloadUrl(transferUrl)) {
        Send(DL_CODE_FAIL, 0.0, DL_TEXT_LIBCURL);
        return;
    }
    Plan();
    LaunchParts();
    finisher_ = std::make_unique<Utils::Thread>(nullptr, L"MTFinish", [this](void*) { waitForFinishThreadFun(); });
    if (!finisher_->Resume()) TRACE(L"no finishing thread\r\n");
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url)
{
    realUrl_.clear();
    length_ = 0;
    if (!InstallerConfig::Get().CurlReady) return false;

    EasyHandle handle(curl_easy_init());
    if (!handle) return false;
    Slist headers(curl_slist_append(nullptr, "Connection: keep-alive"));
    // TLS certificate and host checks stay at libcurl's defaults (on): the
    // package is run with administrator rights.
    int code = curl_easy_setopt(handle.get(), CURLOPT_HTTPHEADER, headers.get());
    code |= CurlEasy::SetLookupOptions(handle.get(), url, stop_.Flag());
    code |= curl_easy_setopt(handle.get(), CURLOPT_FOLLOWLOCATION, 1L);
    if (code != 0) return false;
    const CURLcode result = curl_easy_perform(handle.get());
    if (result != CURLE_OK) {
        TRACE(L"error:%d:%hs\r\n", static_cast<int>(result), curl_easy_strerror(result));
        return false;
    }

    realUrl_ = CurlEasy::EffectiveUrl(handle.get());
    if (!realUrl_.empty()) TRACE(L"Download File real url %hs\r\n", realUrl_.c_str());
    const CurlEasy::Response response = CurlEasy::ReadResponse(handle.get());
    if (response.lengthCode == CURLE_OK && response.Good()) {
        length_ = response.length;
        TRACE(L"Download File Length %lld\r\n", static_cast<long long>(length_));
    }
    return !realUrl_.empty() && length_ >= kMinimumLength;
}

void CMTCurlDownloader::Plan()
{
    const int64_t count = std::clamp<int64_t>(length_ / kPartSize, 1, kMaxParts);
    const int64_t size = length_ / count;
    int64_t start = 0;
    for (int i = 0; i < count; ++i) {
        // The last part takes the remainder.
        const int64_t partSize = i + 1 == count ? size + length_ % count : size;
        auto part = std::make_unique<DownloadPartNode>();
        part->owner = this;
        part->partPath = PartPath(i);
        int64_t existing = std::max<int64_t>(FileSize(part->partPath), 0);
        if (existing > partSize) {
            // Longer than its range: not a piece of it, so start it over.
            ::DeleteFileW(part->partPath.c_str());
            existing = 0;
        }
        part->downloaded = existing;
        part->from = start + existing;
        part->to = start + partSize - 1;
        part->size = partSize;
        part->handle.reset(curl_easy_init());
        part->url = realUrl_;
        if (part->from > part->to) {
            part->state = 0;
        } else {
            part->file.Reset(OpenForAppending(part->partPath));
            part->state = part->file ? kPartPending : kPartOpenFailed;
        }
        TRACE(L"part %d: %lld-%lld state %d\r\n", i, static_cast<long long>(part->from),
              static_cast<long long>(part->to), part->state.load());
        parts_.push_back(std::move(part));
        start += partSize;
    }
}

void CMTCurlDownloader::LaunchParts()
{
    // All at once: staggering the starts would only delay the last range.
    for (const auto& part : parts_) {
        if (part->state != kPartPending) continue;
        DownloadPartNode* node = part.get();
        ++runningParts_;
        part->thread = std::make_unique<Utils::Thread>(nullptr, L"MTPart", [node](void*) { downloadThreadFun(node); });
        if (!part->thread->Resume()) {
            TRACE(L"no part thread\r\n");
            --runningParts_;
        }
    }
}

void CMTCurlDownloader::downloadThreadFun(DownloadPartNode* part)
{
    int budget = kPartBudget;
    int result = downloadExe(part);
    while (result != 0 && budget > 0) {
        budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
        TRACE(L"CurlDownLoader Code=%d\r\n", result);
        if (!part->owner->stop_.Pause(kPartPauseMs)) break;
        result = downloadExe(part);
    }
    part->file.Reset();
    --part->owner->runningParts_;
}

int CMTCurlDownloader::downloadExe(DownloadPartNode* part)
{
    char range[64];
    std::snprintf(range, sizeof(range), "%lld-%lld", static_cast<long long>(part->from),
                  static_cast<long long>(part->to));
    CURL* handle = part->handle.get();
    part->answerChecked = false;

    // TLS certificate and host checks stay at libcurl's defaults: on.
    int code = curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    code |= curl_easy_setopt(handle, CURLOPT_URL, part->url.c_str());
    code |= curl_easy_setopt(handle, CURLOPT_TIMEOUT, 0L);
    code |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    code |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, CurlEasy::kMaxRedirects);
    code |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::WritePart);
    code |= curl_easy_setopt(handle, CURLOPT_WRITEDATA, part);
    code |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    code |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::OnTransferInfo);
    code |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, part->owner);
    code |= curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    code |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, CurlEasy::kConnectTimeoutSeconds);
    code |= curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, CurlEasy::kReceiveBufferBytes);
    code |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes);
    code |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    code |= curl_easy_setopt(handle, CURLOPT_RANGE, range);
    if (code != 0) return code;

    int result = curl_easy_perform(handle);
    if (result != 0) {
        TRACE(L"error:%d:%hs\r\n", result, curl_easy_strerror(static_cast<CURLcode>(result)));
    } else {
        TRACE(L"curl_easy_cleanup\r\n");
    }
    // Back to defaults; the handle and its connection serve the next attempt.
    curl_easy_reset(handle);

    if (part->from > part->to) {
        // Every byte of the range is in the file; a server that sent more
        // than asked ended the attempt with a write error all the same.
        result = 0;
    } else if (result == 0) {
        // The answer ended before the range did.
        result = CURLE_PARTIAL_FILE;
    }
    if (result == 0) part->file.Reset();
    part->state = result;
    return result;
}

size_t CMTCurlDownloader::WritePart(char* data, size_t size, size_t count, void* partPointer)
{
    auto* part = static_cast<DownloadPartNode*>(partPointer);
    if (!part->file || part->from > part->to) return 0;
    if (!part->answerChecked) {
        long status = 0;
        curl_easy_getinfo(part->handle.get(), CURLINFO_RESPONSE_CODE, &status);
        // A server that ignores the range answers 200 with the package from
        // its first byte, which fits only a range that starts there.
        if (status == 200 && part->from != 0) return 0;
        part->answerChecked = true;
    }
    const int64_t missing = part->to - part->from + 1;
    const DWORD take = static_cast<DWORD>(std::min<int64_t>(static_cast<int64_t>(size * count), missing));
    DWORD written = 0;
    if (take > 0 && !::WriteFile(part->file.Get(), data, take, &written, nullptr)) return 0;
    part->from += written;
    part->downloaded += written;
    return written;
}

int CMTCurlDownloader::OnTransferInfo(void* downloader, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* self = static_cast<CMTCurlDownloader*>(downloader);
    if (self->stop_.IsSet()) return 1;
    // One evaluation per calendar second across all parts: only the thread
    // that moves the gate on evaluates.
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    int64_t last = self->lastProgressSecond_;
    if (now <= last || !self->lastProgressSecond_.compare_exchange_strong(last, now)) return 0;
    self->ReportProgress();
    return 0;
}

void CMTCurlDownloader::ReportProgress()
{
    double percent = 0.0;
    if (length_ >= kMinimumLength) {
        for (const auto& part : parts_) {
            const int64_t bytes = part->downloaded;
            if (bytes > 0) percent += static_cast<double>(bytes) * 100.0 / static_cast<double>(length_);
        }
    }
    if (percent > 100.0) return;
    // Held while sending, so that the two parts' events stay in order.
    std::lock_guard<std::mutex> lock(progressMutex_);
    if (percent - lastPercent_ >= 1.0) {
        lastPercent_ = percent;
        Send(DL_CODE_PROGRESS, percent / 100.0, L"");
    }
}

void CMTCurlDownloader::waitForFinishThreadFun()
{
    PartJoiner joiner(parts_, stop_);
    bool joining = true;
    while (runningParts_ > 0 && stop_.Pause(kFinisherPollMs)) {
        if (joining) joining = joiner.Advance();
    }
    for (const auto& part : parts_) part->thread.reset();
    if (stop_.IsSet()) return;

    int failing = 0;
    for (const auto& part : parts_) {
        if (part->state != 0) {
            failing = part->state;
            break;
        }
    }
    if (failing == 0) {
        SetLastPercent(0.0);
        if (!joining || !joiner.Advance() || !joiner.Complete() || !joiner.MoveTo(path_)) failing = kJoinFailed;
    }
    if (stop_.IsSet()) return;

    if (failing != 0) {
        joiner.Undo();
        parts_.clear();
        if (LastPercent() == 0.0) DeletePartFiles();
        if (!retried_) {
            retried_ = true;
            Send(DL_CODE_RETRY, failing, DL_TEXT_LIBCURL);
        } else {
            SetLastPercent(0.0);
            Send(DL_CODE_FAIL, failing, DL_TEXT_LIBCURL);
        }
        return;
    }

    switch (CheckPackageDigestOf(realUrl_, joiner.HexDigest())) {
    case DigestCheck::Mismatch:
        Send(DL_CODE_REPORT, 0.0, L"mtcurl文件md5校验失败");
        ::DeleteFileW(path_.c_str());
        parts_.clear();
        if (retried_) {
            TRACE(L"finish recv, md5 chaek failed and retry failed.\r\n");
            Send(DL_CODE_FAIL, 0.0, DL_TEXT_LIBCURL);
        } else {
            retried_ = true;
            TRACE(L"finish recv, md5 chaek failed retry once.\r\n");
            Send(DL_CODE_RETRY, 0.0, DL_TEXT_LIBCURL);
        }
        return;
    case DigestCheck::NoUrlDigest:
        Send(DL_CODE_REPORT, 0.0, L"mtcurl获取url-md5失败");
        break;
    case DigestCheck::Verified:
        break;
    }
    TRACE(L"finish recv\r\n");
    parts_.clear();
    Send(DL_CODE_SUCCESS, 0.0, DL_TEXT_LIBCURL);
}
