#pragma once

#include "CDownloader.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

struct Event {
    int code;
    double value;
    std::wstring text;
    std::chrono::steady_clock::time_point at{};
    DWORD thread = 0;
};

// The owner's side of a downloader: records events and, like the workflow,
// calls Start again from inside DL_CODE_RETRY once attached.
class Owner {
public:
    DownloadEventCallback Callback();

    void Attach(CDownloader* downloader) { downloader_ = downloader; }

    // Events other than progress once the count-th final one (SUCCESS or
    // FAIL) arrived.
    std::vector<Event> WaitFinal(int count = 1);
    // Events other than progress once the last event has code.
    std::vector<Event> WaitFor(int code);

    // For a destroyed downloader: no event comes any more, and START was the
    // only milestone.
    void ExpectOnlyStartAndSilence();

    std::vector<Event> Milestones();
    std::vector<double> ProgressValues();

private:
    size_t EventCount();
    std::vector<Event> WaitUntil(const std::function<bool()>& done);
    std::vector<Event> MilestonesLocked() const;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    CDownloader* downloader_ = nullptr;
};

// A digest test of a libcurl downloader: the product's digest mode (as in
// DlServer::SetProduct), the transfers of the package and the events.
struct DigestCase {
    const char* name;
    const char* digest;
    int transfers;
    std::vector<Event> events;
};
void PrintTo(const DigestCase& c, std::ostream* out);

// Compares code, value and text.
void ExpectEvents(const std::vector<Event>& actual, const std::vector<Event>& expected);
