#pragma once

#include "CDownloader.h"
#include "CurlEasy.h"
#include "RunWorker.h"
#include "StopSignal.h"

#include "Utils/Thread.h"
#include "Utils/UniqueHandle.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Downloads the package in at most two byte ranges at once, each on a thread
// of its own into a part file beside the target ("<path>_0", "<path>_1"),
// joins the part files into the target and checks it against the url-md5 of
// the effective address. The one retry in the object's life (RETRY, after a
// part ran out of attempts or the digest differed) continues the ranges from
// the part files when the failed run had reported progress.
//
// Threads: a planner per run (START, lookup, plan, part threads), one thread
// per range still to fetch (PROGRESS), and a finisher that joins the part
// files and computes their digest while the parts download, then joins the
// part threads and sends the final events. Each run's planner waits for the
// previous run's finisher, and the destructor waits for all of them, so no
// thread outlives the object.
class CMTCurlDownloader : public CDownloader {
public:
    // States of a part besides 0 (complete) and libcurl's codes.
    static constexpr int kPartPending = -1;     // to be fetched
    static constexpr int kPartOpenFailed = -2;  // its file could not be opened
    static constexpr int kJoinFailed = -3;      // the part files could not be joined into the target

    static constexpr int64_t kPartSize = 10485760;
    static constexpr int kMaxParts = 2;
    // Smaller packages make the lookup fail.
    static constexpr int64_t kMinimumLength = 256;

    // One range of the package. Only its own part thread touches from, file
    // and handle while that thread runs; downloaded and state are read by
    // the other threads, so they are atomic.
    struct DownloadPartNode {
        Utils::UniqueHandle file;  // part file, opened for appending; closed once complete
        int64_t from = 0;          // offset in the package of the next byte to fetch
        int64_t to = 0;            // offset of the part's last byte (inclusive)
        int64_t size = 0;          // bytes of the range
        EasyHandle handle;         // reused by every attempt
        std::string url;
        std::wstring partPath;
        std::atomic<int> state{kPartPending};
        std::atomic<int64_t> downloaded{0};  // bytes of the part in its file, earlier runs included
        bool answerChecked = false;          // the current attempt's answer was found to fit the range
        CMTCurlDownloader* owner = nullptr;
        std::unique_ptr<Utils::Thread> thread;  // last: joined before the rest goes
    };

    CMTCurlDownloader(DownloadEventCallback callback, std::wstring url, std::wstring path);
    // Aborts the run under way and waits for all its threads; no event
    // follows. Deletes the part files.
    ~CMTCurlDownloader() override;

    void Start() override;

    std::wstring PartPath(int index) const;

private:
    void Start_Down();
    bool getRealDownloadUrl(const std::string& url);
    void Plan();
    void LaunchParts();
    static void downloadThreadFun(DownloadPartNode* part);
    static int downloadExe(DownloadPartNode* part);
    void waitForFinishThreadFun();
    void DeletePartFiles() const;

    static size_t WritePart(char* data, size_t size, size_t count, void* part);
    static int OnTransferInfo(void* downloader, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    void ReportProgress();
    double LastPercent();
    void SetLastPercent(double percent);
    // Every event goes through here: none once the object is being destroyed.
    void Send(int code, double value, const wchar_t* text);

    // Built by the planner before it starts the part threads and the
    // finisher; emptied by the finisher once it has joined the part threads.
    std::vector<std::unique_ptr<DownloadPartNode>> parts_;
    DownloadEventCallback callback_;
    std::wstring path_;
    std::wstring url_;
    std::string realUrl_;
    int64_t length_ = -1;

    // Shared by the part threads: the once-a-second gate and the last
    // percentage sent.
    std::atomic<int64_t> lastProgressSecond_{0};
    std::mutex progressMutex_;
    double lastPercent_ = 0.0;

    // Part threads still running: counted up by the planner before it starts
    // each, down by each as it ends; the finisher joins files meanwhile.
    std::atomic<int> runningParts_{0};

    // Finisher only; a run's finisher starts after the previous one ended.
    bool retried_ = false;

    StopSignal stop_;
    // Replaced by each planner after joining the previous one.
    std::unique_ptr<Utils::Thread> finisher_;
    RunWorker planner_;
};
