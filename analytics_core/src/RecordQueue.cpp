#include "analytics_core/RecordQueue.h"

#include "Diagnostics.h"

#include <algorithm>
#include <exception>

namespace analytics_core {

RecordQueue::RecordQueue(std::unique_ptr<BatchPoster> poster, std::wstring stagingPath)
    : poster_(std::move(poster)), staging_(std::move(stagingPath))
{
}

void RecordQueue::Add(std::string record)
{
    std::lock_guard<std::mutex> lock(queueLock_);
    if (closed_) return;
    records_.push_back(std::move(record));
    if (records_.size() > kCapacity) records_.pop_front();
}

size_t RecordQueue::Size() const
{
    std::lock_guard<std::mutex> lock(queueLock_);
    return records_.size();
}

void RecordQueue::LoadStagedIfDue()
{
    std::lock_guard<std::mutex> lock(queueLock_);
    LoadStagedLocked();
}

void RecordQueue::LoadStagedLocked()
{
    if (!stagingDue_ || closed_) return;
    stagingDue_ = false;
    // Staged records are older than this run's, so they go in front; only as
    // many as there is room for, the newest of them.
    std::deque<std::string> staged = staging_.Load(kCapacity - records_.size());
    records_.insert(records_.begin(), std::make_move_iterator(staged.begin()),
                    std::make_move_iterator(staged.end()));
    // From here on the queue owns them; Close stages what is still unsent.
    staging_.Replace({});
}

void RecordQueue::PutBackLocked(std::deque<std::string>& batch)
{
    // The batch is older than anything queued meanwhile; when room is short
    // its oldest records are the ones dropped.
    const size_t room = kCapacity - std::min(kCapacity, records_.size());
    const size_t keep = std::min(room, batch.size());
    records_.insert(records_.begin(), std::make_move_iterator(batch.end() - keep),
                    std::make_move_iterator(batch.end()));
}

bool RecordQueue::FlushBatch()
{
    std::unique_lock<std::mutex> flushLock(flushLock_);
    std::deque<std::string> batch;
    try {
        std::unique_lock<std::mutex> queueLock(queueLock_);
        if (closed_) return false;
        LoadStagedLocked();
        if (records_.empty()) return true;
        const size_t count = std::min(kBatchSize, records_.size());
        batch.assign(std::make_move_iterator(records_.begin()), std::make_move_iterator(records_.begin() + count));
        records_.erase(records_.begin(), records_.begin() + count);
        queueLock.unlock();

        std::string body = "[";
        for (size_t i = 0; i < batch.size(); ++i) {
            if (i > 0) body += ',';
            body += batch[i];
        }
        body += ']';
        if (poster_->Post(body)) return true;
    } catch (const std::exception& e) {
        PrintError(std::string("Exception when flush failed: (") + e.what() + ") ");
    }
    std::lock_guard<std::mutex> queueLock(queueLock_);
    PutBackLocked(batch);
    return false;
}

bool RecordQueue::FlushUntilEmpty()
{
    LoadStagedIfDue();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(queueLock_);
            if (closed_) return false;
            if (records_.empty()) return true;
        }
        if (!FlushBatch()) return false;
    }
}

void RecordQueue::Close()
{
    // A batch in flight may still come back; waiting for it keeps it from
    // being lost.
    std::lock_guard<std::mutex> flushLock(flushLock_);
    std::lock_guard<std::mutex> queueLock(queueLock_);
    if (closed_) return;
    LoadStagedLocked();
    staging_.Replace(records_);
    closed_ = true;
    records_.clear();
}

} // namespace analytics_core
