#pragma once

#include "tracker/Tracker.h"

#include <memory>

namespace tavik::tracking {

// Forwards every operation to the tracker it owns. A track operation that
// throws is reported as "Failed to <operation>" on standard output and goes
// no further.
class TrackerWrapper : public Tracker {
public:
    explicit TrackerWrapper(std::unique_ptr<Tracker> inner) : inner_(std::move(inner)) {}

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
    // The wrapper keeps no log of its own.
    TrackLogger* getTrackLogger() override { return nullptr; }

    Tracker* inner() const { return inner_.get(); }

private:
    template <typename Call>
    void guarded(const char* operation, Call call);

    std::unique_ptr<Tracker> inner_;
};

} // namespace tavik::tracking
