#include "tracker/FlushScheduler.h"

#include "analytics_core/BatchPoster.h"
#include "analytics_core/Sdk.h"

#include <windows.h>

#include <chrono>
#include <system_error>
#include <thread>

namespace tavik::tracking {

namespace {

std::mutex& ProcessFlushLock()
{
    static std::mutex lock;
    return lock;
}

void Pause()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

FlushScheduler::FlushScheduler() : state_(std::make_shared<State>())
{
}

FlushScheduler::~FlushScheduler()
{
    WaitForThreads();
}

bool FlushScheduler::FlushPending(State& state)
{
    const int seen = state.pending.load();
    if (!analytics_core::Sdk::Instance() || !analytics_core::FlushUntilEmpty()) return false;
    state.pending.fetch_sub(seen);
    return true;
}

void FlushScheduler::FlushWorker(State& state, bool now)
{
    std::lock_guard<std::mutex> flushing(ProcessFlushLock());
    if (!now) {
        Pause();
        state.pending.fetch_add(1);
        return;
    }
    for (int attempt = 0; attempt < kAttempts && state.pending.load() > 0; ++attempt) {
        if (FlushPending(state)) return;
        Pause();
    }
}

void FlushScheduler::RequestFlush(bool now)
{
    if (analytics_core::LastSendSucceeded()) {
        FlushWorker(*state_, now);
        return;
    }
    ::OutputDebugStringA("[Tracker] Sending messages asynchronously");
    {
        std::lock_guard<std::mutex> lock(state_->lock);
        ++state_->running;
    }
    try {
        std::thread([state = state_, now] {
            try {
                FlushWorker(*state, now);
            } catch (...) {
                // A failed flush leaves the records pending for the next one.
            }
            std::lock_guard<std::mutex> lock(state->lock);
            --state->running;
            state->idle.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        {
            std::lock_guard<std::mutex> lock(state_->lock);
            --state_->running;
        }
        FlushWorker(*state_, now);
    }
}

void FlushScheduler::WaitForThreads()
{
    std::unique_lock<std::mutex> lock(state_->lock);
    state_->idle.wait(lock, [this] { return state_->running == 0; });
}

void FlushScheduler::FinalFlush()
{
    WaitForThreads();
    std::lock_guard<std::mutex> flushing(ProcessFlushLock());
    for (int attempt = 0; attempt < kAttempts && state_->pending.load() > 0; ++attempt) {
        if (FlushPending(*state_)) return;
    }
}

} // namespace tavik::tracking
