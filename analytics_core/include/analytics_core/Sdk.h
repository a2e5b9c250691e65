#pragma once

#include "analytics_core/PropertiesNode.h"
#include "analytics_core/RecordQueue.h"

#include <memory>
#include <mutex>
#include <string>

namespace analytics_core {

// The one process-wide analytics instance. Texts are UTF-8. The operations
// below run on the caller's thread; without an instance they do nothing and
// return false.
class Sdk {
public:
    // The staging file inside the data folder: app name + this.
    static constexpr const char* kStagingSuffix = "_TKSStaged.jsonl";

    // Creates the instance unless one exists (then nothing changes). Unsent
    // records are staged in dataFolder (none when it is empty). false, with
    // nothing created, when distinctId is not a valid id.
    static bool Init(const std::string& dataFolder, const std::string& serverUrl,
                     const std::string& distinctId, bool isLoginId, const std::string& appName);
    // Stages the unsent records and ends the instance.
    static void Shutdown();

    // The live instance, kept alive for as long as the caller holds it.
    static std::shared_ptr<Sdk> Instance();

    Sdk(const Sdk&) = delete;
    Sdk& operator=(const Sdk&) = delete;

    // Validates, builds one record and queues it. distinctId empty: the
    // instance's own.
    void BuildRecord(const std::string& type, const std::string& eventName,
                     const PropertiesNode& properties, const std::string& distinctId = "",
                     const std::string& originalId = "");
    // Queues the sign-up record and makes loginId the instance's login id.
    void Signup(const std::string& loginId);
    void MergeSuperProperties(const PropertiesNode& properties);

    RecordQueue& Queue() { return *queue_; }

private:
    Sdk(std::wstring stagingPath, const std::string& serverUrl, std::string distinctId, bool isLoginId);

    std::mutex stateLock_;  // guards the three members below
    PropertiesNode superProperties_;
    std::string distinctId_;
    bool isLoginId_;
    std::unique_ptr<RecordQueue> queue_;
};

void SendTrack(const std::string& eventName, const PropertiesNode& properties);
void SendTrack(const std::string& eventName);
// "$ios_install_source": "" first, then properties over it.
void SendTrackWithInstallSource(const std::string& eventName, const PropertiesNode& properties);
// A "$SignUp" record from the current distinct id to loginId, which then
// becomes the distinct id, as a login id. An invalid loginId changes nothing.
void SendTrackSignup(const std::string& loginId);

void SendProfileSet(const PropertiesNode& properties);
void SendProfileSet(const std::string& name, const std::string& value);
void SendProfileSet(const std::string& name, int value);
void SendProfileSet(const std::string& name, double value);
void SendProfileSetOnce(const PropertiesNode& properties);
void SendProfileSetOnce(const std::string& name, const std::string& value);
void SendProfileSetOnce(const std::string& name, int value);
void SendProfileSetOnce(const std::string& name, double value);
void SendProfileIncrement(const PropertiesNode& properties);
void SendProfileIncrement(const std::string& name, int value);
void SendProfileAppend(const std::string& name, const std::string& value);

// Super properties go into every track and track_signup record.
void MergeSuperProperties(const PropertiesNode& properties);

bool FlushBatch();
bool FlushUntilEmpty();

} // namespace analytics_core
