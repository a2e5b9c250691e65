#pragma once

#include <string>

namespace tavik::tracking {

// The tracker's identity and paths. The identity is kept across runs in the
// settings file, an INI file: [Base] for the identity, [UninstallInfo] for
// what an uninstaller reports about the application.
class TrackerContext {
public:
    static constexpr int kMaxValueLength = 127;  // longer values are cut when read

    // Reads [Base]; a missing file reads as empty. A missing distinct id is
    // made anew (and also taken as primary id when that is missing) and saved.
    void LoadIdentity();
    // Writes the six [Base] keys, in their fixed order.
    void SaveIdentity() const;
    void WriteUninstallInfo(const std::string& appStore, const std::string& appName,
                            const std::string& appVersion) const;

    bool loggedIn = false;
    std::string userId;
    std::string distinctId;
    std::string primaryDistinctId;
    int vipLevel = 0;
    std::string logFilePath;
    std::string localeOverride;
    std::string dataFolder;    // ends with "\"
    std::string settingsPath;
    std::string savedUrl;      // the collection URL the identity belongs to
};

} // namespace tavik::tracking
