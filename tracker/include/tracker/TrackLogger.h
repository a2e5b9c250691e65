#pragma once

#include <string>
#include <vector>

namespace tavik::tracking {

// The tracker's log sink.
class TrackLogger {
public:
    virtual ~TrackLogger() = default;

    // The entries in the log file, oldest first.
    virtual std::vector<std::string> ReadEntries() = 0;
    virtual void Clear() = 0;
};

} // namespace tavik::tracking
