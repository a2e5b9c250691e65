#include "RunWorker.h"

#include "Utils/Trace.h"

RunWorker::RunWorker(std::wstring name, std::function<void()> run) : name_(std::move(name)), run_(std::move(run))
{
}

RunWorker::~RunWorker()
{
    Close();
}

void RunWorker::Start()
{
    std::unique_ptr<Utils::Thread> previous;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return;
        if (thread_ && ::GetCurrentThreadId() == thread_->Id()) {
            again_ = true;
            return;
        }
        previous = std::move(thread_);
    }
    previous.reset();

    std::lock_guard<std::mutex> lock(mutex_);
    // Closed meanwhile, or another caller started the next run first.
    if (closed_ || thread_) return;
    thread_ = std::make_unique<Utils::Thread>(nullptr, name_, [this](void*) { Loop(); });
    if (!thread_->Resume()) TRACE(L"no worker thread\r\n");
}

void RunWorker::Close()
{
    std::unique_ptr<Utils::Thread> thread;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        thread = std::move(thread_);
    }
    thread.reset();
}

void RunWorker::Loop()
{
    do {
        again_ = false;
        run_();
    } while (again_ && !closed_);
}
