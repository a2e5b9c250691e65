#pragma once

#include "Utils/Thread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// Runs a downloader's run function on a worker thread, a new one per Start.
// Start waits for the previous worker before starting the next. Called on
// the worker itself (an owner answering RETRY from inside the event), Start
// cannot wait for its own thread: the worker runs the function once more as
// soon as the current call returns. After Close, Start does nothing.
class RunWorker {
public:
    RunWorker(std::wstring name, std::function<void()> run);
    ~RunWorker();

    RunWorker(const RunWorker&) = delete;
    RunWorker& operator=(const RunWorker&) = delete;

    void Start();
    // Waits for the worker; the owner first makes the run end (StopSignal).
    void Close();

private:
    void Loop();

    std::wstring name_;
    std::function<void()> run_;
    std::mutex mutex_;
    std::unique_ptr<Utils::Thread> thread_;
    std::atomic<bool> again_{false};
    std::atomic<bool> closed_{false};
};
