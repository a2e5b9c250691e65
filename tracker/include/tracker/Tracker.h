#pragma once

#include "tracker/TkContextProperties.h"
#include "tracker/TkEvents.h"
#include "tracker/TrackLogger.h"

#include <memory>
#include <string>

namespace tavik::tracking {

// One operation per kind of event. Each checks its record, queues one
// analytics record with the context properties registered for its kind and
// asks for a flush. TrackerImpl throws TkException for bad input;
// TrackerWrapper swallows it.
class Tracker {
public:
    virtual ~Tracker() = default;

    virtual void trackActivity(const TkContextProperties& ctx) = 0;
    virtual void trackLaunch(const TkContextProperties& ctx) = 0;
    virtual void trackLogin(const TkUser& user, bool success, const std::string& reason,
                            const TkContextProperties& ctx) = 0;
    virtual void trackClick(const TkEventClick& event, const TkContextProperties& ctx) = 0;
    virtual void trackView(const TkEventView& event, const TkContextProperties& ctx) = 0;
    virtual void trackCashier(const TkEventCashier& event, const TkContextProperties& ctx) = 0;
    virtual void trackShare(const TkEventShare& event, const TkContextProperties& ctx) = 0;
    virtual void trackTask(const TkEventTask& event, const TkContextProperties& ctx) = 0;
    virtual void trackFile(const TkEventFile& event, const TkContextProperties& ctx) = 0;
    virtual void trackOrder(const TkEventOrder& event, const TkContextProperties& ctx) = 0;
    virtual void trackPayment(const TkEventPayment& event, const TkContextProperties& ctx) = 0;
    virtual void trackUninstall(const std::string& reason, const TkContextProperties& ctx) = 0;
    virtual void trackCrash(const std::string& reason) = 0;
    virtual void trackUpdate(const TkEventUpdate& event, const TkContextProperties& ctx) = 0;
    // event may be null, which is refused.
    virtual void trackAppOpenNotification(const TkEventAppOpenNotification* event,
                                          const TkContextProperties& ctx) = 0;
    // "language_country"; empty: the system's.
    virtual void setL10nLocale(const std::string& locale) = 0;
    virtual std::string getPrimaryDistinctId() const = 0;
    virtual TrackLogger* getTrackLogger() = 0;
};

// UTF-8 texts.
struct TrackerConfig {
    std::string appName;     // required
    std::string appVersion;  // required
    std::string appStore;    // required
    std::string downloadedAppId;
    std::string downloadedAppVersion;
    std::string logFilePath;  // empty: <data folder><appName>_TKSLog.txt
    TkEdition edition = TkEdition::China;
    std::string serverUrl;    // empty: the default collection endpoint
};

// Builds and initialises a tracker behind a TrackerWrapper. A tracker whose
// initialisation failed is still handed out; it then posts nothing.
// Releasing the last reference makes the final post.
std::shared_ptr<Tracker> createTracker(const TrackerConfig& config);

} // namespace tavik::tracking
