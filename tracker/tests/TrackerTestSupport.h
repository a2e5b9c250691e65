#pragma once

#include "TestSupport.h"

#include "tracker/TkException.h"
#include "tracker/Tracker.h"
#include "tracker/TrackerImpl.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The TkException that call throws, if any.
template <typename Call>
std::optional<tavik::tracking::TkException> Thrown(Call call)
{
    try {
        call();
    } catch (const tavik::tracking::TkException& error) {
        return error;
    }
    return std::nullopt;
}

// INI access with UTF-8 paths, as the tests read and prepare settings files.
std::string ReadIni(const std::string& file, const std::string& section, const std::string& key);
// The "key=value" lines of a section, in file order.
std::vector<std::string> IniSection(const std::string& file, const std::string& section);
void WriteIni(const std::string& file, const std::string& section, const std::string& key, const std::string& value);

// What the tracker uses for appName without Set.ini: the 8.3 form of the local
// application data folder + "\TKLocal\" + appName + "\".
std::string DefaultDataFolder(const std::string& appName);

// 8-4-4-4-12 upper-case hexadecimal digits.
bool IsUpperCaseGuid(const std::string& text);

// One run of a tracker for an application no other test uses, posting to a
// collector. Its data folder is removed when the run object goes.
class TrackerRun {
public:
    explicit TrackerRun(const Collector& collector);
    ~TrackerRun();
    TrackerRun(const TrackerRun&) = delete;
    TrackerRun& operator=(const TrackerRun&) = delete;

    // createTracker with config; the tracker is kept until Stop.
    tavik::tracking::Tracker& Start();
    tavik::tracking::TrackerImpl& Impl();
    // Releases the tracker, which makes the final post.
    void Stop();

    // The distinct id of the records (the device's, while nobody logs in).
    std::string Id();
    std::string DataFolder() const { return DefaultDataFolder(config.appName); }
    std::string SettingsFile() const { return DataFolder() + config.appName + "_TKSConfigure.ini"; }
    // The records staged for the next run, oldest first.
    std::vector<Json::Value> StagedRecords() const;

    tavik::tracking::TrackerConfig config;

private:
    std::shared_ptr<tavik::tracking::Tracker> tracker_;
};
