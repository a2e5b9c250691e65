#include "tracker/TrackerWrapper.h"

#include <cstdio>

namespace tavik::tracking {

template <typename Call>
void TrackerWrapper::guarded(const char* operation, Call call)
{
    if (!inner_) return;
    try {
        call(*inner_);
    } catch (...) {
        if (inner_->getTrackLogger()) {
            std::printf("Failed to %s\n", operation);
            std::fflush(stdout);
        }
    }
}

void TrackerWrapper::trackActivity(const TkContextProperties& ctx)
{
    guarded("trackActivity", [&](Tracker& t) { t.trackActivity(ctx); });
}

void TrackerWrapper::trackLaunch(const TkContextProperties& ctx)
{
    guarded("trackLaunch", [&](Tracker& t) { t.trackLaunch(ctx); });
}

void TrackerWrapper::trackLogin(const TkUser& user, bool success, const std::string& reason,
                                const TkContextProperties& ctx)
{
    guarded("trackLogin", [&](Tracker& t) { t.trackLogin(user, success, reason, ctx); });
}

void TrackerWrapper::trackClick(const TkEventClick& event, const TkContextProperties& ctx)
{
    guarded("trackClick", [&](Tracker& t) { t.trackClick(event, ctx); });
}

void TrackerWrapper::trackView(const TkEventView& event, const TkContextProperties& ctx)
{
    guarded("trackView", [&](Tracker& t) { t.trackView(event, ctx); });
}

void TrackerWrapper::trackCashier(const TkEventCashier& event, const TkContextProperties& ctx)
{
    guarded("trackCashier", [&](Tracker& t) { t.trackCashier(event, ctx); });
}

void TrackerWrapper::trackShare(const TkEventShare& event, const TkContextProperties& ctx)
{
    guarded("trackShare", [&](Tracker& t) { t.trackShare(event, ctx); });
}

void TrackerWrapper::trackTask(const TkEventTask& event, const TkContextProperties& ctx)
{
    guarded("trackTask", [&](Tracker& t) { t.trackTask(event, ctx); });
}

void TrackerWrapper::trackFile(const TkEventFile& event, const TkContextProperties& ctx)
{
    guarded("trackFile", [&](Tracker& t) { t.trackFile(event, ctx); });
}

void TrackerWrapper::trackOrder(const TkEventOrder& event, const TkContextProperties& ctx)
{
    guarded("trackOrder", [&](Tracker& t) { t.trackOrder(event, ctx); });
}

void TrackerWrapper::trackPayment(const TkEventPayment& event, const TkContextProperties& ctx)
{
    guarded("trackPayment", [&](Tracker& t) { t.trackPayment(event, ctx); });
}

void TrackerWrapper::trackUninstall(const std::string& reason, const TkContextProperties& ctx)
{
    guarded("trackUninstall", [&](Tracker& t) { t.trackUninstall(reason, ctx); });
}

void TrackerWrapper::trackCrash(const std::string& reason)
{
    guarded("trackCrash", [&](Tracker& t) { t.trackCrash(reason); });
}

void TrackerWrapper::trackUpdate(const TkEventUpdate& event, const TkContextProperties& ctx)
{
    guarded("trackUpdate", [&](Tracker& t) { t.trackUpdate(event, ctx); });
}

void TrackerWrapper::trackAppOpenNotification(const TkEventAppOpenNotification* event,
                                              const TkContextProperties& ctx)
{
    guarded("trackAppOpenNotification", [&](Tracker& t) { t.trackAppOpenNotification(event, ctx); });
}

void TrackerWrapper::setL10nLocale(const std::string& locale)
{
    if (inner_) inner_->setL10nLocale(locale);
}

std::string TrackerWrapper::getPrimaryDistinctId() const
{
    return inner_ ? inner_->getPrimaryDistinctId() : std::string();
}

} // namespace tavik::tracking
