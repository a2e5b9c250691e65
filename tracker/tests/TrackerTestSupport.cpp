#include "TrackerTestSupport.h"

#include "tracker/TrackerWrapper.h"

#include "Utils/FileSystem.h"
#include "Utils/Text.h"

#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <regex>
#include <stdexcept>

using tavik::tracking::TrackerImpl;
using tavik::tracking::TrackerWrapper;

std::string ReadIni(const std::string& file, const std::string& section, const std::string& key)
{
    wchar_t value[1024] = {};
    ::GetPrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(), L"", value, 1024, ToWide(file).c_str());
    return Utils::ToNarrow(value, Utils::kUtf8CodePage);
}

std::vector<std::string> IniSection(const std::string& file, const std::string& section)
{
    wchar_t buffer[8192] = {};
    const DWORD length = ::GetPrivateProfileSectionW(ToWide(section).c_str(), buffer, 8192, ToWide(file).c_str());
    std::vector<std::string> lines;
    for (const wchar_t* line = buffer; line < buffer + length && *line; line += wcslen(line) + 1) {
        lines.push_back(Utils::ToNarrow(line, Utils::kUtf8CodePage));
    }
    return lines;
}

void WriteIni(const std::string& file, const std::string& section, const std::string& key, const std::string& value)
{
    ::WritePrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(), ToWide(value).c_str(),
                                 ToWide(file).c_str());
}

std::string DefaultDataFolder(const std::string& appName)
{
    wchar_t folder[MAX_PATH] = {};
    wchar_t shortFolder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        ::GetShortPathNameW(folder, shortFolder, MAX_PATH) == 0) {
        throw std::runtime_error("no local application data folder");
    }
    return Utils::ToNarrow(shortFolder, Utils::kUtf8CodePage) + "\\TKLocal\\" + appName + "\\";
}

bool IsUpperCaseGuid(const std::string& text)
{
    static const std::regex guid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    return std::regex_match(text, guid);
}

TrackerRun::TrackerRun(const Collector& collector)
{
    config.appName = UniqueName("TrackerTest");
    config.appVersion = "2.4.1";
    config.appStore = "tracker_test.exe";
    config.serverUrl = collector.Url();
}

TrackerRun::~TrackerRun()
{
    Stop();
    Utils::RemoveDirectoryTree(ToWide(DataFolder()));
}

tavik::tracking::Tracker& TrackerRun::Start()
{
    tracker_ = tavik::tracking::createTracker(config);
    return *tracker_;
}

TrackerImpl& TrackerRun::Impl()
{
    if (!tracker_) throw std::logic_error("the tracker is not running");
    return static_cast<TrackerImpl&>(*static_cast<TrackerWrapper&>(*tracker_).inner());
}

void TrackerRun::Stop()
{
    tracker_.reset();
}

std::string TrackerRun::Id()
{
    return Impl().context().distinctId;
}

std::vector<Json::Value> TrackerRun::StagedRecords() const
{
    std::ifstream staged(ToWide(DataFolder() + config.appName + "_TKSStaged.jsonl").c_str(), std::ios::binary);
    std::vector<Json::Value> records;
    for (std::string line; std::getline(staged, line);) records.push_back(ParseJson(line));
    return records;
}
