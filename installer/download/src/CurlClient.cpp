#include "CurlClient.h"

#include "EventReporting.h"
#include "Utils/Text.h"
#include "Utils/Trace.h"
#include "Utils/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <ctime>

namespace {

std::wstring SystemMessage(DWORD error)
{
    wchar_t text[201] = {};
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                          0, text, 200, nullptr);
    return Utils::TrimRight(std::wstring(text, length));
}

void ReportLengthFailure(long status)
{
    wchar_t detail[64];
    ::swprintf(detail, 64, L"1.获取文件大小的状态码为=%ld；", status);
    ReportTask(L"下载失败原因", 0.0f, detail, {{L"AB", L"IN"}});
}

// What a finished request learned; a status outside 200..399 (0 when
// unreadable) is reported.
CurlEasy::Response ReadLength(CURL* handle)
{
    const CurlEasy::Response response = CurlEasy::ReadResponse(handle);
    if (!response.Good()) ReportLengthFailure(response.status);
    return response;
}

} // namespace

CurlClient::CurlClient(std::wstring url, std::wstring path, void* owner, ProgressSink sink)
    : url_(std::move(url)), path_(std::move(path)), owner_(owner), progressSink_(sink)
{
}

CurlClient::~CurlClient()
{
    abort_ = true;
    if (!path_.empty()) ::DeleteFileW(GetPath(true).c_str());
}

std::wstring CurlClient::GetPath(bool part) const
{
    return part ? path_ + L".part" : path_;
}

int CurlClient::Start()
{
    TRACE(L"start download\r\n");
    int result = Lookup(CurlEasy::TransferUrl(url_));
    if (result == 0) result = Transfer();
    const CURLcode code = static_cast<CURLcode>(result);
    TRACE(L"error:%d:%hs\r\n", result, curl_easy_strerror(code));
    if (result == 0) result = Finish();
    TRACE(L"end download\r\n");
    return result;
}

int CurlClient::Lookup(const std::string& transferUrl)
{
    if (realUrl_.empty() || fileLength_ < kMinimumLength) {
        EasyHandle head = Head(transferUrl);
        realUrl_ = GetRealUrl(head.get());
        fileLength_ = GetDownloadFileLength(head.get());
    }
    if (realUrl_.empty() || fileLength_ < kMinimumLength) {
        realUrl_ = GetRealUrl_Str(transferUrl);
        if (!realUrl_.empty()) fileLength_ = GetDownloadFileLength_Str(realUrl_);
        if (fileLength_ < kMinimumLength) return kTooSmall;
    }
    return 0;
}

int CurlClient::Transfer()
{
    EasyHandle easy(curl_easy_init());
    if (!easy) return kNoHandle;
    CURL* handle = easy.get();

    // Appending through the system API keeps offsets 64-bit for packages of
    // 2 GiB and more.
    Utils::UniqueHandle file(::CreateFileW(GetPath(true).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        errorText_ = SystemMessage(::GetLastError());
        return kOpenFailed;
    }

    LARGE_INTEGER size{};
    resumeOffset_ = ::GetFileSizeEx(file.Get(), &size) ? size.QuadPart : -1;
    if (resumeOffset_ >= 0 && static_cast<double>(resumeOffset_) == fileLength_) {
        // Complete already (an earlier attempt could not rename it); servers
        // answer a range past the end with 416, which libcurl fails.
        return 0;
    }
    if (static_cast<double>(resumeOffset_) > fileLength_) {
        // Longer than the package: not a part of it, so start over.
        LARGE_INTEGER start{};
        if (!::SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.Get())) {
            errorText_ = SystemMessage(::GetLastError());
            return kOpenFailed;
        }
        resumeOffset_ = 0;
    }

    Slist headers(curl_slist_append(nullptr, "Connection: keep-alive"));
    if (headers) curl_slist_append(headers.get(), "Accept-Encoding: gzip, deflate");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPIDLE, 10L);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPINTVL, 10L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 0L);

    // TLS certificate and host checks stay at libcurl's defaults: on.
    int code = curl_easy_setopt(handle, CURLOPT_URL, realUrl_.c_str());
    code |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    code |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, CurlEasy::kMaxRedirects);
    code |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlClient::WriteToFile);
    code |= curl_easy_setopt(handle, CURLOPT_WRITEDATA, file.Get());
    code |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    code |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
    code |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    code |= curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    code |= curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, CurlEasy::kReceiveBufferBytes);
    code |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, CurlEasy::kConnectTimeoutSeconds);
    if (stallTimeout_ > 0) {
        code |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        code |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stallTimeout_);
    }
    if (resumeOffset_ > 0) {
        code |= curl_easy_setopt(handle, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeOffset_));
    }
    if (code != 0) return code;

    handle_ = handle;
    const int result = curl_easy_perform(handle);
    handle_ = nullptr;
    return result;
}

int CurlClient::Finish()
{
    // Replacing in one step: a target that cannot be replaced leaves the
    // working file for the next attempt instead of losing it.
    if (::MoveFileExW(GetPath(true).c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return 0;
    }
    TRACE(L"rename failed:%lu\r\n", ::GetLastError());
    return kRenameFailed;
}

EasyHandle CurlClient::Head(const std::string& url)
{
    EasyHandle handle(curl_easy_init());
    if (!handle) return handle;
    int code = CurlEasy::SetLookupOptions(handle.get(), url, abort_);
    code |= curl_easy_setopt(handle.get(), CURLOPT_FOLLOWLOCATION, 1L);
    if (code == 0) {
        code = curl_easy_perform(handle.get());
        if (code != 0) TRACE(L"error:%d:%hs\r\n", code, curl_easy_strerror(static_cast<CURLcode>(code)));
    }
    TRACE(L"error:%d:%hs\r\n", code, curl_easy_strerror(static_cast<CURLcode>(code)));
    return handle;
}

std::string CurlClient::GetRealUrl(CURL* handle)
{
    return CurlEasy::EffectiveUrl(handle);
}

double CurlClient::GetDownloadFileLength(CURL* handle)
{
    const CurlEasy::Response response = ReadLength(handle);
    TRACE(L"error:%d:%hs\r\n", static_cast<int>(response.lengthCode), curl_easy_strerror(response.lengthCode));
    return response.Good() ? static_cast<double>(response.length) : -1.0;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url)
{
    double length = -1.0;
    EasyHandle handle(curl_easy_init());
    if (!handle) return length;
    int code = CurlEasy::SetLookupOptions(handle.get(), url, abort_);
    code |= curl_easy_setopt(handle.get(), CURLOPT_HEADER, 1L);
    if (code == 0) {
        curl_easy_perform(handle.get());
        // An error status is reported, but the length read still counts: a
        // large error page then fails on the transfer with code 22.
        length = static_cast<double>(ReadLength(handle.get()).length);
    }
    TRACE(L"error:%d:%hs\r\n", code, curl_easy_strerror(static_cast<CURLcode>(code)));
    return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url)
{
    std::string realUrl;
    EasyHandle handle(curl_easy_init());
    if (handle) {
        int code = CurlEasy::SetLookupOptions(handle.get(), url, abort_);
        code |= curl_easy_setopt(handle.get(), CURLOPT_FOLLOWLOCATION, 1L);
        if (code == 0) code = curl_easy_perform(handle.get());
        if (code != 0) {
            TRACE(L"error:%d:%hs\r\n", code, curl_easy_strerror(static_cast<CURLcode>(code)));
        } else {
            realUrl = GetRealUrl(handle.get());
        }
    }
    return realUrl.empty() ? url : realUrl;
}

int CurlClient::ProgressCallback(void* clientPointer, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t, curl_off_t)
{
    auto* client = static_cast<CurlClient*>(clientPointer);
    if (client->abort_) return 1;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (now <= client->lastReportSecond_) return 0;
    client->lastReportSecond_ = now;

    curl_off_t speedValue = 0;
    const double speed = client->handle_ && curl_easy_getinfo(client->handle_, CURLINFO_SPEED_DOWNLOAD_T,
                                                              &speedValue) == CURLE_OK
                             ? static_cast<double>(speedValue)
                             : 0.0;
    double percent = 0.0;
    if (client->fileLength_ > kMinimumLength) {
        // Bytes kept from earlier attempts count.
        const int64_t kept = std::max<int64_t>(client->resumeOffset_, 0);
        percent = static_cast<double>(dlNow + kept) / client->fileLength_ * 100.0;
    } else {
        if (dlNow <= 0 || dlTotal <= 0) return 0;
        percent = static_cast<double>(dlNow) * 100.0 / static_cast<double>(dlTotal);
    }
    if (percent == 0.0) return 0;
    if (client->progressSink_) client->progressSink_(client->owner_, speed, 0.0, percent);
    if (dlTotal != 0) {
        TRACE(L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(dlNow / 1048576),
              static_cast<int>(dlTotal / 1048576), static_cast<double>(static_cast<float>(percent)),
              static_cast<double>(static_cast<float>(speed / 1024)));
    }
    return 0;
}

size_t CurlClient::WriteToFile(char* data, size_t size, size_t count, void* file)
{
    const size_t bytes = size * count;
    DWORD written = 0;
    if (bytes > 0 && !::WriteFile(static_cast<HANDLE>(file), data, static_cast<DWORD>(bytes), &written, nullptr)) {
        return 0;
    }
    return written;
}
