#include "TestSupport.h"

#include "analytics_core/RecordQueue.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <thread>

namespace {

using analytics_core::BatchPoster;
using analytics_core::RecordQueue;

// Posts through a real BatchPoster to the collector chosen last; it can also
// end one post with an exception, or run a step while the post is under way.
class RoutedPoster : public BatchPoster {
public:
    explicit RoutedPoster(const std::string& url) : BatchPoster(url) { RouteTo(url); }

    void RouteTo(const std::string& url) { target_ = std::make_unique<BatchPoster>(url); }
    void ThrowOnNextPost(std::string what) { throwNext_ = std::move(what); }
    void DuringNextPost(std::function<void()> step) { duringNext_ = std::move(step); }

    bool Post(const std::string& jsonArrayText) override
    {
        if (duringNext_) {
            std::function<void()> step = std::move(duringNext_);
            duringNext_ = nullptr;
            step();
        }
        if (!throwNext_.empty()) {
            const std::string what = std::move(throwNext_);
            throwNext_.clear();
            throw std::runtime_error(what);
        }
        return target_->Post(jsonArrayText);
    }

private:
    std::unique_ptr<BatchPoster> target_;
    std::string throwNext_;
    std::function<void()> duringNext_;
};

class RecordQueueTest : public ::testing::Test {
protected:
    RecordQueue& MakeQueue(const std::string& url, const std::wstring& stagingPath = L"")
    {
        auto poster = std::make_unique<RoutedPoster>(url);
        poster_ = poster.get();
        queue_ = std::make_unique<RecordQueue>(std::move(poster), stagingPath);
        return *queue_;
    }

    void AddRecords(int first, int count)
    {
        for (int i = first; i < first + count; ++i) queue_->Add(MakeRecord(id_, i));
    }

    std::vector<int> RequestSizes(const Collector& collector) const
    {
        std::vector<int> sizes;
        for (const Json::Value& request : collector.Requests(id_)) sizes.push_back(request["records"].asInt());
        return sizes;
    }

    Collector ok_{"ok"};
    std::string id_ = UniqueName("queue");
    RoutedPoster* poster_ = nullptr;
    std::unique_ptr<RecordQueue> queue_;
};

TEST_F(RecordQueueTest, FlushUntilEmptyPostsBatchesOfAtMostThirty)
{
    RecordQueue& queue = MakeQueue(ok_.Url());
    AddRecords(0, 45);
    EXPECT_TRUE(queue.FlushUntilEmpty());
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_TRUE(analytics_core::LastSendSucceeded());
    EXPECT_EQ(RequestSizes(ok_), (std::vector<int>{30, 15}));
    EXPECT_EQ(Sequences(ok_.Records(id_)), Range(0, 45));
    // Nothing left: a further flush succeeds without a request.
    EXPECT_TRUE(queue.FlushBatch());
    EXPECT_EQ(RequestSizes(ok_).size(), 2u);
}

TEST_F(RecordQueueTest, FailedPostPutsTheBatchBackInFrontInOrder)
{
    const struct {
        const char* collector;
        std::string message;  // standard error starts with it
    } cases[] = {
        {"fail500",
         "Analytics SDK send failed: {\"status\": \"error\", \"reason\": \"configured to answer 500\"}\n"},
        {"drop", "Analytics SDK send failed: "},
        {"slow", "Analytics SDK send failed: "},
        {"tls", "Analytics SDK send failed: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.collector);
        id_ = UniqueName(c.collector);
        Collector failing(c.collector);
        RecordQueue& queue = MakeQueue(failing.Url());
        AddRecords(0, 45);
        StderrCapture capture;
        EXPECT_FALSE(queue.FlushBatch());
        EXPECT_EQ(capture.Text().rfind(c.message, 0), 0u);
        EXPECT_FALSE(analytics_core::LastSendSucceeded());
        EXPECT_EQ(queue.Size(), 45u);

        poster_->RouteTo(ok_.Url());
        EXPECT_TRUE(queue.FlushUntilEmpty());
        EXPECT_TRUE(analytics_core::LastSendSucceeded());
        EXPECT_EQ(Sequences(ok_.Records(id_)), Range(0, 45));
        EXPECT_EQ(RequestSizes(ok_), (std::vector<int>{30, 15}));
    }
}

TEST_F(RecordQueueTest, ServerErrorIsNotRetriedWithinOneFlush)
{
    Collector failing("fail500");
    RecordQueue& queue = MakeQueue(failing.Url());
    AddRecords(0, 45);
    EXPECT_FALSE(queue.FlushUntilEmpty());
    EXPECT_EQ(RequestSizes(failing), (std::vector<int>{30}));
    EXPECT_TRUE(failing.Records(id_).empty());
    EXPECT_EQ(queue.Size(), 45u);
}

TEST_F(RecordQueueTest, ExceptionInAFlushPutsTheBatchBack)
{
    RecordQueue& queue = MakeQueue(ok_.Url());
    AddRecords(0, 45);
    poster_->ThrowOnNextPost("disk on fire");
    StderrCapture capture;
    EXPECT_FALSE(queue.FlushUntilEmpty());
    EXPECT_EQ(capture.Text(), "Exception when flush failed: (disk on fire) \n");
    EXPECT_EQ(queue.Size(), 45u);
    EXPECT_TRUE(queue.FlushUntilEmpty());
    EXPECT_EQ(Sequences(ok_.Records(id_)), Range(0, 45));
}

TEST_F(RecordQueueTest, OverCapacityTheOldestRecordGoes)
{
    RecordQueue& queue = MakeQueue(ok_.Url());
    AddRecords(0, 1025);
    EXPECT_EQ(queue.Size(), 1024u);
    EXPECT_TRUE(queue.FlushUntilEmpty());
    EXPECT_EQ(Sequences(ok_.Records(id_)), Range(1, 1024));
    EXPECT_EQ(RequestSizes(ok_).size(), 35u);
}

TEST_F(RecordQueueTest, FailedBatchKeepsItsNewestRecordsWhenRoomIsShort)
{
    Collector failing("fail500");
    RecordQueue& queue = MakeQueue(failing.Url());
    AddRecords(0, 30);
    // While the batch is out, newer records leave room for only 24 of it.
    poster_->DuringNextPost([this] { AddRecords(100, 1000); });
    EXPECT_FALSE(queue.FlushBatch());
    EXPECT_EQ(queue.Size(), 1024u);

    poster_->RouteTo(ok_.Url());
    EXPECT_TRUE(queue.FlushUntilEmpty());
    EXPECT_EQ(Sequences(ok_.Records(id_)), Joined(Range(6, 24), Range(100, 1000)));
}

TEST_F(RecordQueueTest, ConcurrentProducersAndFlushesLoseAndRepeatNothing)
{
    RecordQueue& queue = MakeQueue(ok_.Url());
    const std::string ids[] = {UniqueName("producer"), UniqueName("producer")};
    auto produce = [&](const std::string& id) {
        for (int i = 0; i < 200; ++i) {
            queue.Add(MakeRecord(id, i));
            if (i % 25 == 24) queue.FlushBatch();
        }
    };
    std::thread first(produce, ids[0]);
    std::thread second(produce, ids[1]);
    first.join();
    second.join();
    EXPECT_TRUE(queue.FlushUntilEmpty());
    for (const std::string& id : ids) EXPECT_EQ(Sequences(ok_.Records(id)), Range(0, 200));
}

TEST_F(RecordQueueTest, CloseWaitsForTheBatchInFlightAndStagesIt)
{
    TempFolder folder;
    const std::wstring staging = folder.WidePath() + L"queue.jsonl";
    Collector slow("slow");
    RecordQueue& queue = MakeQueue(slow.Url(), staging);
    AddRecords(0, 5);
    bool flushed = true;
    std::thread flusher([&] { flushed = queue.FlushUntilEmpty(); });
    ::Sleep(500);
    queue.Close();
    flusher.join();
    EXPECT_FALSE(flushed);

    const std::deque<std::string> staged = analytics_core::StagingFile(staging).Load(RecordQueue::kCapacity);
    std::vector<Json::Value> records;
    for (const std::string& text : staged) records.push_back(ParseJson(text));
    EXPECT_EQ(Sequences(records), Range(0, 5));
    // A closed queue takes nothing more.
    queue.Add(MakeRecord(id_, 9));
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_FALSE(queue.FlushUntilEmpty());
}

} // namespace
