#include "TestSupport.h"

#include "analytics_core/RecordQueue.h"

#include <gtest/gtest.h>

namespace {

using analytics_core::BatchPoster;
using analytics_core::RecordQueue;

// The fixture makes "trusted" and "othername" roots before the tests start;
// "untrusted" never is.
TEST(Tls, ServerMustProveItsIdentityBeforeRecordsLeave)
{
    const struct {
        const char* collector;
        bool accepted;
        std::string message;
    } cases[] = {
        {"tlstrusted", true, ""},
        {"tls", false,
         "Analytics SDK send failed: TLS certificate of localhost refused: untrusted root (0x800B0109)\n"},
        {"tlsname", false,
         "Analytics SDK send failed: TLS certificate of localhost refused: issued for another name (0x800B010F)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.collector);
        const std::string id = UniqueName(c.collector);
        Collector collector(c.collector);
        RecordQueue queue(std::make_unique<BatchPoster>(collector.Url()), L"");
        queue.Add(MakeRecord(id, 0));
        StderrCapture capture;
        EXPECT_EQ(queue.FlushBatch(), c.accepted);
        EXPECT_EQ(capture.Text(), c.message);
        EXPECT_EQ(queue.Size(), c.accepted ? 0u : 1u);
        // A refused server never sees the request.
        EXPECT_EQ(collector.Requests(id).size(), c.accepted ? 1u : 0u);
    }
}

} // namespace
