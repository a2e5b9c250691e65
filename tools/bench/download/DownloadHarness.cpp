// Benchmark harness: downloads one package with the downloader of a download
// type (1, the single-stream downloader, by default; 3 the multi-part one)
// and prints the outcome, the time from Start to the final event and the
// process's peak working set. "--idle" prints the peak working set of the
// same program without a download.

#include "DownloaderSelection.h"

#include <curl/curl.h>

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cwchar>
#include <mutex>

namespace {

size_t PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters)) ? counters.PeakWorkingSetSize
                                                                                       : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool idle = argc == 2 && std::wcscmp(argv[1], L"--idle") == 0;
    if (!idle && argc != 3 && argc != 4) {
        std::fwprintf(stderr, L"usage: download_harness <url> <path> [download type] | --idle\n");
        return 2;
    }
    const int type = argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 1;
    curl_global_init(CURL_GLOBAL_ALL);

    std::mutex mutex;
    std::condition_variable ended;
    int finalCode = 0;
    double finalValue = 0.0;
    {
        const auto downloader = CreateDownloader(
            type,
            [&](int code, double value, const wchar_t*) {
                if (code != DL_CODE_SUCCESS && code != DL_CODE_FAIL) return;
                std::lock_guard<std::mutex> lock(mutex);
                finalCode = code;
                finalValue = value;
                ended.notify_all();
            },
            idle ? L"http://127.0.0.1/" : argv[1], idle ? L"idle.bin" : argv[2]);
        if (!idle) {
            const auto started = std::chrono::steady_clock::now();
            downloader->Start();
            std::unique_lock<std::mutex> lock(mutex);
            ended.wait(lock, [&] { return finalCode != 0; });
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
            std::printf("event=%d value=%g seconds=%.3f ", finalCode, finalValue, elapsed.count());
        }
    }
    std::printf("peak_working_set=%zu\n", PeakWorkingSet());
    curl_global_cleanup();
    return idle || finalCode == DL_CODE_SUCCESS ? 0 : 1;
}
