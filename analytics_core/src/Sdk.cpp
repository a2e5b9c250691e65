#include "analytics_core/Sdk.h"

#include "analytics_core/Validation.h"

#include "Diagnostics.h"

#include "Utils/Text.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>

namespace analytics_core {

using utils::ObjectNode;
using utils::ValueNode;

namespace {

constexpr const char* kLibName = "cpp";
constexpr const char* kLibVersion = "0.9";

std::mutex instanceLock;
std::shared_ptr<Sdk> instance;

int64_t NowMilliseconds()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    constexpr ULONGLONG kTicksTo1970 = 116444736000000000ULL;
    return static_cast<int64_t>((ticks.QuadPart - kTicksTo1970) / 10000);
}

// Nine digits: two and three random ones, then the last four of the time.
int64_t NewTrackId(int64_t nowMilliseconds)
{
    const std::string first = std::to_string(std::rand() % 99 + 100);
    const std::string second = std::to_string(std::rand() % 999 + 1000);
    const std::string time = std::to_string(nowMilliseconds);
    const std::string digits = first.substr(first.size() - 2) + second.substr(second.size() - 3) +
                               time.substr(time.size() - std::min<size_t>(4, time.size()));
    return std::stoll(digits);
}

// The checks of step 1: property names and the types of $time and $project.
bool CheckProperties(const PropertiesNode& properties)
{
    for (const auto& [name, value] : properties.GetEntries()) {
        if (!CheckVariableName("Property Key", name)) return false;
        if (name == "$time" && value.GetKind() != ValueNode::Kind::DateTime) {
            PrintError("The property '$time' should be DateTime type.");
            return false;
        }
        if (name == "$project" && value.GetKind() != ValueNode::Kind::String) {
            PrintError("The property '$project' should be String type.");
            return false;
        }
    }
    return true;
}

std::wstring StagingPath(const std::string& dataFolder, const std::string& appName)
{
    if (dataFolder.empty()) return L"";
    std::string path = dataFolder;
    if (path.back() != '\\' && path.back() != '/') path += '\\';
    return Utils::ToWide(path + appName + Sdk::kStagingSuffix, Utils::kUtf8CodePage);
}

} // namespace

Sdk::Sdk(std::wstring stagingPath, const std::string& serverUrl, std::string distinctId, bool isLoginId)
    : distinctId_(std::move(distinctId)),
      isLoginId_(isLoginId),
      queue_(std::make_unique<RecordQueue>(std::make_unique<BatchPoster>(serverUrl), std::move(stagingPath)))
{
    superProperties_.PutString("$lib", kLibName);
    superProperties_.PutString("$lib_version", kLibVersion);
}

bool Sdk::Init(const std::string& dataFolder, const std::string& serverUrl, const std::string& distinctId,
               bool isLoginId, const std::string& appName)
{
    if (!CheckId("Distinct ID", distinctId)) return false;
    std::lock_guard<std::mutex> lock(instanceLock);
    if (!instance) {
        instance.reset(new Sdk(StagingPath(dataFolder, appName), serverUrl, distinctId, isLoginId));
        std::srand(static_cast<unsigned>(std::time(nullptr)));
    }
    return true;
}

void Sdk::Shutdown()
{
    std::shared_ptr<Sdk> ending;
    {
        std::lock_guard<std::mutex> lock(instanceLock);
        ending.swap(instance);
    }
    // Operations still running on other threads keep their own reference;
    // Close waits for a batch they have in flight.
    if (ending) ending->Queue().Close();
}

std::shared_ptr<Sdk> Sdk::Instance()
{
    std::lock_guard<std::mutex> lock(instanceLock);
    return instance;
}

void Sdk::BuildRecord(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                      const std::string& distinctId, const std::string& originalId)
{
    if (!CheckProperties(properties)) return;
    const bool isTrack = type.find("track") != std::string::npos;
    if (type == "track" && !CheckVariableName("Event Name", eventName)) return;
    if (type == "track_signup" && !CheckId("Original ID", originalId)) return;

    PropertiesNode merged;
    std::string recordDistinctId = distinctId;
    bool isLoginId = false;
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        if (isTrack) merged = superProperties_;
        if (recordDistinctId.empty()) recordDistinctId = distinctId_;
        isLoginId = isLoginId_;
    }
    merged.MergeFrom(properties);

    const int64_t now = NowMilliseconds();
    int64_t time = now;
    if (const ValueNode* given = merged.Find("$time")) {
        time = given->AsDateTime().seconds * 1000 + given->AsDateTime().milliseconds;
        merged.Remove("$time");
    }
    std::string project;
    if (const ValueNode* given = merged.Find("$project")) {
        project = given->AsString();
        merged.Remove("$project");
    }
    if (isLoginId) merged.PutBool("$is_login_id", true);

    ObjectNode lib;
    lib.Set("$lib", ValueNode::MakeString(kLibName));
    lib.Set("$lib_method", ValueNode::MakeString("code"));
    lib.Set("$lib_version", ValueNode::MakeString(kLibVersion));

    ObjectNode record;
    record.Set("_track_id", ValueNode::MakeInt(NewTrackId(now)));
    record.Set("distinct_id", ValueNode::MakeString(recordDistinctId));
    if (isTrack) record.Set("event", ValueNode::MakeString(eventName));
    record.Set("lib", ValueNode::MakeObject(lib));
    if (type == "track_signup") record.Set("original_id", ValueNode::MakeString(originalId));
    if (!project.empty()) record.Set("project", ValueNode::MakeString(project));
    record.Set("properties", ValueNode::MakeObject(merged));
    record.Set("time", ValueNode::MakeInt(time));
    record.Set("type", ValueNode::MakeString(type));
    queue_->Add(record.ToJson());
}

void Sdk::Signup(const std::string& loginId)
{
    if (!CheckId("Distinct ID", loginId)) return;
    std::string originalId;
    {
        std::lock_guard<std::mutex> lock(stateLock_);
        originalId = distinctId_;
    }
    BuildRecord("track_signup", "$SignUp", PropertiesNode(), loginId, originalId);
    std::lock_guard<std::mutex> lock(stateLock_);
    distinctId_ = loginId;
    isLoginId_ = true;
}

void Sdk::MergeSuperProperties(const PropertiesNode& properties)
{
    std::lock_guard<std::mutex> lock(stateLock_);
    superProperties_.MergeFrom(properties);
}

namespace {

void Build(const std::string& type, const std::string& eventName, const PropertiesNode& properties)
{
    if (std::shared_ptr<Sdk> sdk = Sdk::Instance()) sdk->BuildRecord(type, eventName, properties);
}

template <typename Put>
void BuildOne(const std::string& type, Put put)
{
    PropertiesNode properties;
    put(properties);
    Build(type, "", properties);
}

} // namespace

void SendTrack(const std::string& eventName, const PropertiesNode& properties)
{
    Build("track", eventName, properties);
}

void SendTrack(const std::string& eventName)
{
    Build("track", eventName, PropertiesNode());
}

void SendTrackWithInstallSource(const std::string& eventName, const PropertiesNode& properties)
{
    PropertiesNode withSource;
    withSource.PutString("$ios_install_source", "");
    withSource.MergeFrom(properties);
    Build("track", eventName, withSource);
}

void SendTrackSignup(const std::string& loginId)
{
    if (std::shared_ptr<Sdk> sdk = Sdk::Instance()) sdk->Signup(loginId);
}

void SendProfileSet(const PropertiesNode& properties)
{
    Build("profile_set", "", properties);
}

void SendProfileSet(const std::string& name, const std::string& value)
{
    BuildOne("profile_set", [&](PropertiesNode& p) { p.PutString(name, value); });
}

void SendProfileSet(const std::string& name, int value)
{
    BuildOne("profile_set", [&](PropertiesNode& p) { p.PutInt(name, value); });
}

void SendProfileSet(const std::string& name, double value)
{
    BuildOne("profile_set", [&](PropertiesNode& p) { p.PutDouble(name, value); });
}

void SendProfileSetOnce(const PropertiesNode& properties)
{
    Build("profile_set_once", "", properties);
}

void SendProfileSetOnce(const std::string& name, const std::string& value)
{
    BuildOne("profile_set_once", [&](PropertiesNode& p) { p.PutString(name, value); });
}

void SendProfileSetOnce(const std::string& name, int value)
{
    BuildOne("profile_set_once", [&](PropertiesNode& p) { p.PutInt(name, value); });
}

void SendProfileSetOnce(const std::string& name, double value)
{
    BuildOne("profile_set_once", [&](PropertiesNode& p) { p.PutDouble(name, value); });
}

void SendProfileIncrement(const PropertiesNode& properties)
{
    Build("profile_increment", "", properties);
}

void SendProfileIncrement(const std::string& name, int value)
{
    BuildOne("profile_increment", [&](PropertiesNode& p) { p.PutInt(name, value); });
}

void SendProfileAppend(const std::string& name, const std::string& value)
{
    BuildOne("profile_append", [&](PropertiesNode& p) { p.PutList(name, {value}); });
}

void MergeSuperProperties(const PropertiesNode& properties)
{
    if (std::shared_ptr<Sdk> sdk = Sdk::Instance()) sdk->MergeSuperProperties(properties);
}

bool FlushBatch()
{
    std::shared_ptr<Sdk> sdk = Sdk::Instance();
    return sdk && sdk->Queue().FlushBatch();
}

bool FlushUntilEmpty()
{
    std::shared_ptr<Sdk> sdk = Sdk::Instance();
    return sdk && sdk->Queue().FlushUntilEmpty();
}

} // namespace analytics_core
