#include "tracker/Tracker.h"

#include "tracker/TrackerImpl.h"
#include "tracker/TrackerWrapper.h"

namespace tavik::tracking {

std::shared_ptr<Tracker> createTracker(const TrackerConfig& config)
{
    auto tracker = std::make_unique<TrackerImpl>(config);
    try {
        tracker->init();
    } catch (...) {
        // Analytics never stops its host: the tracker goes out without a
        // working core and its records go nowhere.
    }
    return std::make_shared<TrackerWrapper>(std::move(tracker));
}

} // namespace tavik::tracking
