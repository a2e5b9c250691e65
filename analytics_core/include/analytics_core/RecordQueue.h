#pragma once

#include "analytics_core/BatchPoster.h"
#include "analytics_core/StagingFile.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace analytics_core {

// The bounded queue of record texts (oldest first) and its batch posting.
// Records left at Close are staged on disk and put back in front of the
// queue at the first flush of the next run.
class RecordQueue {
public:
    static constexpr size_t kCapacity = 1024;
    static constexpr size_t kBatchSize = 30;

    RecordQueue(std::unique_ptr<BatchPoster> poster, std::wstring stagingPath);
    RecordQueue(const RecordQueue&) = delete;
    RecordQueue& operator=(const RecordQueue&) = delete;

    // Appends one record; when the queue is then over capacity the oldest goes.
    void Add(std::string record);
    // Posts the oldest records, at most kBatchSize. On failure they go back to
    // the front of the queue as far as room allows. True when nothing was due.
    bool FlushBatch();
    // True when the queue is empty at the end; false at the first failed batch.
    bool FlushUntilEmpty();
    // Waits for a batch in flight, then stages what is queued. Afterwards the
    // queue takes and posts nothing.
    void Close();

    size_t Size() const;

private:
    void LoadStagedIfDue();
    void LoadStagedLocked();
    void PutBackLocked(std::deque<std::string>& batch);

    std::unique_ptr<BatchPoster> poster_;
    StagingFile staging_;
    std::mutex flushLock_;           // taken before queueLock_
    mutable std::mutex queueLock_;   // guards records_, stagingDue_, closed_
    std::deque<std::string> records_;
    bool stagingDue_ = true;
    bool closed_ = false;
};

} // namespace analytics_core
