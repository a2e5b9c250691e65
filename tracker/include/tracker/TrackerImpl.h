#pragma once

#include "tracker/FlushScheduler.h"
#include "tracker/NativeTrackLogger.h"
#include "tracker/Tracker.h"
#include "tracker/TrackerContext.h"
#include "tracker/UserProfile.h"

#include "analytics_core/PropertiesNode.h"

#include <memory>
#include <string>

namespace tavik::tracking {

// The tracker over the process's analytics SDK instance. init() runs once
// before any operation; the operations throw TkException for bad input.
class TrackerImpl : public Tracker {
public:
    explicit TrackerImpl(const TrackerConfig& config);
    // Waits for its flush threads, makes the final post attempts while records
    // are pending, then ends the SDK instance it started.
    ~TrackerImpl() override;

    // Data folder, identity, SDK instance and common properties, in that order.
    void init();

    void trackActivity(const TkContextProperties& ctx) override;
    void trackLaunch(const TkContextProperties& ctx) override;
    void trackLogin(const TkUser& user, bool success, const std::string& reason,
                    const TkContextProperties& ctx) override;
    void trackClick(const TkEventClick& event, const TkContextProperties& ctx) override;
    void trackView(const TkEventView& event, const TkContextProperties& ctx) override;
    void trackCashier(const TkEventCashier& event, const TkContextProperties& ctx) override;
    void trackShare(const TkEventShare& event, const TkContextProperties& ctx) override;
    void trackTask(const TkEventTask& event, const TkContextProperties& ctx) override;
    void trackFile(const TkEventFile& event, const TkContextProperties& ctx) override;
    void trackOrder(const TkEventOrder& event, const TkContextProperties& ctx) override;
    void trackPayment(const TkEventPayment& event, const TkContextProperties& ctx) override;
    void trackUninstall(const std::string& reason, const TkContextProperties& ctx) override;
    void trackCrash(const std::string& reason) override;
    void trackUpdate(const TkEventUpdate& event, const TkContextProperties& ctx) override;
    void trackAppOpenNotification(const TkEventAppOpenNotification* event, const TkContextProperties& ctx) override;
    void setL10nLocale(const std::string& locale) override;
    std::string getPrimaryDistinctId() const override;
    TrackLogger* getTrackLogger() override;

    const TrackerContext& context() const { return context_; }
    const std::string& serverUrl() const { return serverUrl_; }
    int pendingCount() const { return flusher_.Pending(); }

private:
    enum class Flush { Deferred, Now };

    // Queues one track record, counted as pending.
    void queue(const std::string& eventName, const analytics_core::PropertiesNode& properties);
    // Queues one track record and asks for a flush of the given kind.
    void send(const std::string& eventName, const analytics_core::PropertiesNode& properties, Flush flush);
    // Queues one user-profile record; it counts as pending.
    void updateProfile(const std::string& name, const ProfileValue& value, const char* function);
    analytics_core::PropertiesNode commonProperties() const;
    analytics_core::PropertiesNode localeProperties() const;

    std::string serverUrl_;
    std::string appName_;
    std::string appVersion_;
    std::string appStore_;
    std::string downloadedAppId_;
    std::string downloadedAppVersion_;
    TkEdition edition_;
    std::string osVersionName_;
    bool is64Bit_ = false;
    TrackerContext context_;
    std::unique_ptr<NativeTrackLogger> logger_;
    FlushScheduler flusher_;
    bool sdkStarted_ = false;
};

} // namespace tavik::tracking
