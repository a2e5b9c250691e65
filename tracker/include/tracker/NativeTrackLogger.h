#pragma once

#include "tracker/TrackLogger.h"

#include "Utils/UniqueHandle.h"

#include <mutex>
#include <string>

namespace tavik::tracking {

// A log kept in one file, one entry a line, held open while the logger lives.
class NativeTrackLogger : public TrackLogger {
public:
    // Creates the file (empty) when missing and opens it; a file that cannot
    // be opened leaves the logger without one.
    explicit NativeTrackLogger(const std::string& path);

    std::vector<std::string> ReadEntries() override;
    void Clear() override;

    const std::string& Path() const { return path_; }

private:
    std::mutex lock_;
    std::string path_;  // UTF-8
    Utils::UniqueHandle file_;
};

} // namespace tavik::tracking
