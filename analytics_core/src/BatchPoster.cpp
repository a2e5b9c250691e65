#include "analytics_core/BatchPoster.h"

#include "analytics_core/Encoding.h"
#include "analytics_core/PostClient.h"

#include "Diagnostics.h"

#include <windows.h>

#include <mutex>

namespace analytics_core {

namespace {

std::mutex lastSendLock;
bool lastSendSucceeded = false;

} // namespace

bool LastSendSucceeded()
{
    std::lock_guard<std::mutex> lock(lastSendLock);
    return lastSendSucceeded;
}

void SetLastSendSucceeded(bool succeeded)
{
    std::lock_guard<std::mutex> lock(lastSendLock);
    lastSendSucceeded = succeeded;
}

bool BatchPoster::Post(const std::string& jsonArrayText)
{
    const std::optional<std::string> body = EncodeBatch(jsonArrayText);
    // Nothing reached the network, so the last-send flag keeps its value.
    if (!body) return false;
    const PostResponse response = PostClient::Send(url_, *body);
    const bool succeeded = response.status == 200;
    if (!succeeded) {
        ::OutputDebugStringA("[analytics] Analytics SDK send failed");
        PrintError("Analytics SDK send failed: " + response.body);
    }
    SetLastSendSucceeded(succeeded);
    return succeeded;
}

} // namespace analytics_core
