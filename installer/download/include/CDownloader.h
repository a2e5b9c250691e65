#pragma once

#include "DownloadEventCallback.h"

// Events of a download run: START, zero or more PROGRESS, then exactly one of
// SUCCESS, FAIL or RETRY, possibly preceded by one REPORT.
constexpr int DL_CODE_START = 1001;     // 1.0, ""
constexpr int DL_CODE_PROGRESS = 1002;  // fraction done, ""
constexpr int DL_CODE_SUCCESS = 1003;   // 0.0, downloader name
constexpr int DL_CODE_FAIL = 1004;      // failing code, downloader name or ""
constexpr int DL_CODE_RETRY = 1005;     // failing code or 0.0, downloader name
constexpr int DL_CODE_REPORT = 1006;    // 0.0, what went wrong

// Downloader name sent by the libcurl downloaders with their final events.
constexpr const wchar_t* DL_TEXT_LIBCURL = L"LibCurl";

// Fetches the package to a file and reports through a DownloadEventCallback.
// Start begins one asynchronous run and returns at once; every event arrives
// on a thread of the downloader. The owner calls Start again on RETRY, from
// inside that event.
class CDownloader {
public:
    virtual ~CDownloader() = default;
    virtual void Start() = 0;
};
