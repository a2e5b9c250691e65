#pragma once

#include <string>

namespace tavik::tracking {

// Where the tracker keeps its files; UTF-8 paths.
struct DataLocation {
    std::string dataFolder;    // ends with "\"
    std::string settingsPath;  // the identity's INI file
};

// Set.ini in exeFolder may name the settings file ([Install] TKAnalyticsIni);
// its folder is then the data folder. Otherwise both live under
// <local application data, 8.3 form>\TKLocal\<appName>\. The folders are
// created when missing; a folder that cannot be created is left to fail later.
DataLocation ResolveDataLocation(const std::wstring& exeFolder, const std::string& appName);

} // namespace tavik::tracking
