#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace tavik::tracking {

// Decides when the queued records are posted. A pending counter above zero
// means records wait for a post. Flushes run on the caller's thread once a
// post has succeeded, before that on threads of their own; one process-wide
// mutex lets one flush run at a time.
class FlushScheduler {
public:
    static constexpr int kAttempts = 3;

    FlushScheduler();
    // Waits for the flush threads this scheduler started.
    ~FlushScheduler();

    FlushScheduler(const FlushScheduler&) = delete;
    FlushScheduler& operator=(const FlushScheduler&) = delete;

    void RaisePending() { state_->pending.fetch_add(1); }
    int Pending() const { return state_->pending.load(); }

    // now: post what is queued (up to kAttempts tries while records are
    // pending). Otherwise only mark records as pending.
    void RequestFlush(bool now);

    // Waits for the flush threads, then makes up to kAttempts posts, without
    // pauses, while records are pending.
    void FinalFlush();

private:
    // Shared with the flush threads, which may outlive a call into the scheduler.
    struct State {
        std::atomic<int> pending{0};
        std::mutex lock;  // guards running
        std::condition_variable idle;
        int running = 0;
    };

    static void FlushWorker(State& state, bool now);
    // One post of everything queued; on success takes back the pending marks
    // it has seen, so marks raised meanwhile stay.
    static bool FlushPending(State& state);
    void WaitForThreads();

    std::shared_ptr<State> state_;
};

} // namespace tavik::tracking
