#pragma once

#include "CurlEasy.h"

#include <atomic>
#include <cstdint>
#include <string>

// Downloads one URL to one file through the sibling working file
// "<path>.part", which survives a failed attempt so that the next Start
// resumes it. The effective URL and the size are looked up once and kept.
// Used by one thread at a time; Abort may be called from any thread.
class CurlClient {
public:
    // sink(owner, bytesPerSecond, 0.0, percent), at most once per second.
    using ProgressSink = void (*)(void* owner, double bytesPerSecond, double unused, double percent);

    // Own results of Start besides libcurl's codes.
    static constexpr int kRenameFailed = -995;  // the finished working file could not become the target
    static constexpr int kOpenFailed = -996;    // the working file could not be opened
    static constexpr int kNoHandle = -997;      // no easy handle
    static constexpr int kTooSmall = -998;      // size unknown or below kMinimumLength
    static constexpr double kMinimumLength = 1048576.0;

    CurlClient(std::wstring url, std::wstring path, void* owner, ProgressSink sink);
    // Deletes the working file. The owner must have ended any Start under
    // way first (Abort, then wait for its thread).
    ~CurlClient();

    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    std::wstring GetPath(bool part) const;

    // One attempt, synchronous: 0 when the target file is complete, otherwise
    // a libcurl code or one of the own negative codes above.
    int Start();

    // Makes the transfer or lookup under way end (libcurl code 42) and every
    // later one end at once.
    void Abort() { abort_ = true; }

    // A transfer receiving nothing for this many seconds ends with libcurl
    // code 28; 0, the default, waits for a stalled server indefinitely.
    void SetStallTimeout(long seconds) { stallTimeout_ = seconds; }

    const std::string& RealUrl() const { return realUrl_; }
    double FileLength() const { return fileLength_; }
    const std::wstring& ErrorText() const { return errorText_; }

    // HEAD request following redirects; the handle is returned performed or
    // not, none when no handle could be made.
    EasyHandle Head(const std::string& url);
    static std::string GetRealUrl(CURL* handle);
    // Content length of a finished HEAD request; -1.0 when unknown or when
    // the status is outside 200..399 (which is reported).
    static double GetDownloadFileLength(CURL* handle);
    // Content length by a HEAD request of url itself, redirects not followed.
    double GetDownloadFileLength_Str(const std::string& url);
    // Effective URL after redirects; url itself when none was obtained.
    std::string GetRealUrl_Str(const std::string& url);

    static int ProgressCallback(void* client, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                                curl_off_t ulNow);

private:
    int Lookup(const std::string& transferUrl);
    int Transfer();
    int Finish();
    static size_t WriteToFile(char* data, size_t size, size_t count, void* file);

    std::wstring url_;
    std::wstring path_;
    void* owner_;
    CURL* handle_ = nullptr;
    ProgressSink progressSink_;
    double fileLength_ = -1.0;
    int64_t resumeOffset_ = -1;
    int64_t lastReportSecond_ = 0;
    std::atomic<bool> abort_{false};
    std::wstring errorText_;
    std::string realUrl_;
    long stallTimeout_ = 0;
};
