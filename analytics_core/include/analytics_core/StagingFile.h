#pragma once

#include <deque>
#include <string>

namespace analytics_core {

// Unsent records kept on disk between runs, one record text per line. The file
// is only ever replaced whole (written beside it, then renamed over it), so a
// crash while writing leaves the previous version intact. An empty path turns
// staging off.
class StagingFile {
public:
    explicit StagingFile(std::wstring path) : path_(std::move(path)) {}

    // The newest `room` records of the file, oldest first; a missing file has none.
    std::deque<std::string> Load(size_t room) const;
    // Writes records, oldest first; none removes the file.
    bool Replace(const std::deque<std::string>& records) const;

    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

} // namespace analytics_core
