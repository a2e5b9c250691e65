#pragma once

#include <string>

namespace analytics_core {

// Posts batches (JSON array texts) to the collection URL, which is used as
// configured, and records the outcome in the last-send flag.
class BatchPoster {
public:
    explicit BatchPoster(std::string url) : url_(std::move(url)) {}
    BatchPoster(const BatchPoster&) = delete;
    BatchPoster& operator=(const BatchPoster&) = delete;
    virtual ~BatchPoster() = default;

    // True only for an HTTP 200 answer.
    virtual bool Post(const std::string& jsonArrayText);

    const std::string& Url() const { return url_; }

private:
    std::string url_;
};

// Whether the most recent batch post that reached the network succeeded;
// false until one has.
bool LastSendSucceeded();
void SetLastSendSucceeded(bool succeeded);

} // namespace analytics_core
