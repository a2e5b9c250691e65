#pragma once

#include "CDownloader.h"
#include "CurlClient.h"
#include "RunWorker.h"
#include "StopSignal.h"

#include <string>

// Downloads the package in one resumable stream, retrying failed attempts
// within a budget (an interrupted transfer costs 1, any other failure 2, 12 in
// all), then checks the file against the url-md5 of its effective address.
// One digest mismatch in the object's life is answered with RETRY, a second
// with FAIL.
class CCurlDownloader : public CDownloader {
public:
    CCurlDownloader(DownloadEventCallback callback, std::wstring url, std::wstring path);
    // Aborts a run under way and waits for its thread; no event follows.
    ~CCurlDownloader() override;

    // Called from the worker itself (the owner's RETRY handling), Start does
    // not wait for its own thread: the worker begins the new run, with
    // DL_CODE_START, as soon as the current one has returned.
    void Start() override;

    CurlClient& Client() { return client_; }

private:
    static constexpr int kBudget = 12;
    static constexpr DWORD kPauseMs = 500;

    static void OnProgress(void* owner, double bytesPerSecond, double unused, double percent);
    void dlThreadFun();

    DownloadEventCallback callback_;
    std::wstring path_;
    std::wstring url_;
    CurlClient client_;
    bool retried_ = false;
    StopSignal stop_;
    RunWorker worker_;
};
