#include "EventReporting.h"

#include "InstallerConfig.h"

#include "tracker/TkException.h"
#include "tracker/Tracker.h"

#include "Utils/Text.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace {

using namespace tavik::tracking;

// Points a test or demonstration run at another collection endpoint; without
// it the tracker posts to the deployment's own.
constexpr const wchar_t* kAnalyticsUrlVariable = L"MELVANE_ANALYTICS_URL";

// Created on first use, so it goes at exit before the analytics core's own
// process-wide state does.
std::shared_ptr<Tracker>& TrackerSlot()
{
    static std::shared_ptr<Tracker> slot;
    return slot;
}

std::string Utf8(const std::wstring& text)
{
    return Utils::ToNarrow(text, Utils::kUtf8CodePage);
}

std::wstring EnvironmentText(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, &value[0], size));
    return value;
}

std::shared_ptr<Tracker> ActiveTracker()
{
    if (!InstallerConfig::Get().IsEnableAnalytics) return nullptr;
    return std::atomic_load(&TrackerSlot());
}

// tkc_ab from extra's "AB" for one event kind. A refused A/B text leaves the
// property out; the report still goes.
TkContextProperties ContextProperties(const ReportExtra& extra, TkEventKind kind)
{
    TkContextProperties ctx;
    const auto ab = extra.find(L"AB");
    if (ab == extra.end()) return ctx;
    const std::string value = Utf8(ab->second);
    try {
        if (isValidABValue(value)) ctx.add(TkContextProperties::kAbName, value, {kind});
    } catch (const TkException&) {
    }
    return ctx;
}

} // namespace

void StartAnalytics()
{
    const InstallerConfig& config = InstallerConfig::Get();
    if (!config.IsEnableAnalytics || std::atomic_load(&TrackerSlot())) return;
    TrackerConfig trackerConfig;
    trackerConfig.appName = Utf8(config.ProductName + config.DlAppNameSuffix);
    trackerConfig.appVersion = Utf8(config.ProductVersion);
    trackerConfig.appStore = Utf8(config.ExeName);
    trackerConfig.downloadedAppId = Utf8(config.ProductName);
    trackerConfig.downloadedAppVersion = Utf8(config.DlAppVersion);
    trackerConfig.edition = TkEdition::China;
    trackerConfig.serverUrl = Utf8(EnvironmentText(kAnalyticsUrlVariable));
    std::atomic_store(&TrackerSlot(), createTracker(trackerConfig));
}

void ReportTask(const std::wstring& name, float elapsed, const std::wstring& detail, ReportExtra extra)
{
    const std::shared_ptr<Tracker> tracker = ActiveTracker();
    if (!tracker) return;
    TkEventTask task;
    task.name = Utf8(name);
    task.reason = Utf8(detail);
    task.elapsed = elapsed;
    task.result = TkResult::Success;
    tracker->trackTask(task, ContextProperties(extra, TkEventKind::Task));
}

void ReportClick(const std::wstring& name, ReportExtra extra)
{
    const std::shared_ptr<Tracker> tracker = ActiveTracker();
    if (!tracker) return;
    TkEventClick click;
    click.name = Utf8(name);
    click.clickType = TkClickType::Button;
    tracker->trackClick(click, ContextProperties(extra, TkEventKind::Click));
}

void ReportView(const std::wstring& name, ReportExtra extra)
{
    const std::shared_ptr<Tracker> tracker = ActiveTracker();
    if (!tracker) return;
    TkEventView view;
    view.name = Utf8(name);
    tracker->trackView(view, ContextProperties(extra, TkEventKind::View));
}

void ReportCrash()
{
    if (const std::shared_ptr<Tracker> tracker = ActiveTracker()) tracker->trackCrash(u8"崩溃");
}

void StopAnalytics()
{
    std::shared_ptr<Tracker> last = std::atomic_exchange(&TrackerSlot(), std::shared_ptr<Tracker>());
    // Unless a report is still under way, this is the last reference: it
    // makes the final post as it goes.
    last.reset();
}
