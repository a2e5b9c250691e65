#include "TestSupport.h"

#include "analytics_core/Sdk.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <functional>
#include <map>

namespace {

using analytics_core::PropertiesNode;
using analytics_core::Sdk;

const std::string kLib = "{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.9\"}";

// pattern with {TRACK_ID}, {TIME}, {LIB} and {ID} filled from the record.
std::string Fill(std::string pattern, const std::string& recordText, const std::string& id)
{
    const Json::Value record = ParseJson(recordText);
    const std::pair<std::string, std::string> fields[] = {
        {"{TRACK_ID}", std::to_string(record["_track_id"].asInt64())},
        {"{TIME}", std::to_string(record["time"].asInt64())},
        {"{LIB}", kLib},
        {"{ID}", id},
    };
    for (const auto& [from, to] : fields) {
        for (size_t at = pattern.find(from); at != std::string::npos; at = pattern.find(from, at + to.size())) {
            pattern.replace(at, from.size(), to);
        }
    }
    return pattern;
}

int64_t NowMilliseconds()
{
    return static_cast<int64_t>(std::time(nullptr)) * 1000;
}

class SdkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Sdk::Init(folder_.Path(), ok_.Url(), id_, false, "SdkTest")); }
    void TearDown() override { Sdk::Shutdown(); }

    TempFolder folder_;
    Collector ok_{"ok"};
    std::string id_ = UniqueName("sdk");
};

TEST_F(SdkTest, TrackRecordTextHasSortedKeysLibAndTimeFromProperties)
{
    PropertiesNode common;
    common.PutString("tk_sdk", "WindowsCPP");
    analytics_core::MergeSuperProperties(common);

    PropertiesNode properties;
    properties.PutString("tk_name", u8"立即安装");
    properties.PutInt("count", 3);
    properties.PutDouble("ratio", 1234567.0);
    properties.PutDouble("half", 0.5);
    properties.PutBool("ok", true);
    properties.PutList("tags", {"a", "b"});
    properties.PutDateTime("when", 1700000000, 250);
    properties.PutDateTime("$time", 1700000000, 250);
    properties.PutString("$project", "melvane");
    properties.PutString("Upper", "x");
    properties.PutString("_under", "y");
    properties.PutString("$app_version", "1.0");
    properties.PutString("tk_app_id", "m");
    analytics_core::SendTrack("TkEventClick", properties);
    ASSERT_TRUE(analytics_core::FlushUntilEmpty());

    const std::vector<std::string> texts = ok_.RecordTexts(id_);
    ASSERT_EQ(texts.size(), 1u);
    const std::string expected =
        "{\"_track_id\":{TRACK_ID},\"distinct_id\":\"{ID}\",\"event\":\"TkEventClick\",\"lib\":{LIB},"
        "\"project\":\"melvane\",\"properties\":{\"$app_version\":\"1.0\",\"$lib\":\"cpp\",\"$lib_version\":\"0.9\","
        "\"Upper\":\"x\",\"_under\":\"y\",\"count\":3,\"half\":0.5,\"ok\":true,\"ratio\":1.23457e+06,"
        "\"tags\":[\"a\",\"b\"],\"tk_app_id\":\"m\",\"tk_name\":\"" u8"立即安装" "\",\"tk_sdk\":\"WindowsCPP\","
        "\"when\":" + LocalDateTimeText(1700000000, 250) + "},\"time\":1700000000250,\"type\":\"track\"}";
    EXPECT_EQ(texts[0], Fill(expected, texts[0], id_));
}

TEST_F(SdkTest, TrackIdIsNineDigitsEndingInTheTimesLastFour)
{
    const int64_t before = NowMilliseconds() - 1000;
    for (int i = 0; i < 20; ++i) analytics_core::SendTrack("Plain");
    ASSERT_TRUE(analytics_core::FlushUntilEmpty());
    const int64_t after = NowMilliseconds() + 1000;

    const std::vector<Json::Value> records = ok_.Records(id_);
    ASSERT_EQ(records.size(), 20u);
    for (const Json::Value& record : records) {
        const int64_t trackId = record["_track_id"].asInt64();
        const int64_t time = record["time"].asInt64();
        EXPECT_GE(time, before);
        EXPECT_LE(time, after);
        EXPECT_GE(trackId, 0);
        EXPECT_LE(trackId / 10000000, 98) << trackId;
        EXPECT_LE(trackId / 10000 % 1000, 998) << trackId;
        EXPECT_EQ(trackId % 10000, time % 10000) << trackId;
        EXPECT_FALSE(record["properties"].isMember("$time"));
    }
}

TEST_F(SdkTest, InstallSourceComesFirstAndCanBeReplaced)
{
    PropertiesNode none;
    analytics_core::SendTrackWithInstallSource("Activity", none);
    PropertiesNode given;
    given.PutString("$ios_install_source", "android_id=123##imei=1234##mac=123");
    analytics_core::SendTrackWithInstallSource("Activity", given);
    ASSERT_TRUE(analytics_core::FlushUntilEmpty());

    const std::vector<Json::Value> records = ok_.Records(id_);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["properties"]["$ios_install_source"], "");
    EXPECT_EQ(records[1]["properties"]["$ios_install_source"], "android_id=123##imei=1234##mac=123");
}

TEST_F(SdkTest, SignupSwitchesToTheLoginIdAndMarksEveryLaterRecord)
{
    const std::string user = UniqueName("user");
    analytics_core::SendTrack("Before");
    analytics_core::SendTrackSignup(user);
    analytics_core::SendTrack("After");
    analytics_core::SendProfileSet("tk_user_name", std::string("n"));
    analytics_core::SendProfileSetOnce("tk_first_visit_date", 5);
    analytics_core::SendProfileIncrement("tk_visit_count", 1);
    analytics_core::SendProfileAppend("tk_label", "a");
    analytics_core::SendProfileSet("tk_consumption", 2.5);
    ASSERT_TRUE(analytics_core::FlushUntilEmpty());

    const std::vector<std::string> before = ok_.RecordTexts(id_);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0], Fill("{\"_track_id\":{TRACK_ID},\"distinct_id\":\"{ID}\",\"event\":\"Before\",\"lib\":{LIB},"
                              "\"properties\":{\"$lib\":\"cpp\",\"$lib_version\":\"0.9\"},\"time\":{TIME},"
                              "\"type\":\"track\"}",
                              before[0], id_));

    const std::string profile = "{\"_track_id\":{TRACK_ID},\"distinct_id\":\"{ID}\",\"lib\":{LIB},\"properties\":";
    const std::string expected[] = {
        "{\"_track_id\":{TRACK_ID},\"distinct_id\":\"{ID}\",\"event\":\"$SignUp\",\"lib\":{LIB},\"original_id\":\"" +
            id_ + "\",\"properties\":{\"$lib\":\"cpp\",\"$lib_version\":\"0.9\"},\"time\":{TIME},"
                  "\"type\":\"track_signup\"}",
        "{\"_track_id\":{TRACK_ID},\"distinct_id\":\"{ID}\",\"event\":\"After\",\"lib\":{LIB},\"properties\":{"
        "\"$is_login_id\":true,\"$lib\":\"cpp\",\"$lib_version\":\"0.9\"},\"time\":{TIME},\"type\":\"track\"}",
        profile + "{\"$is_login_id\":true,\"tk_user_name\":\"n\"},\"time\":{TIME},\"type\":\"profile_set\"}",
        profile + "{\"$is_login_id\":true,\"tk_first_visit_date\":5},\"time\":{TIME},\"type\":\"profile_set_once\"}",
        profile + "{\"$is_login_id\":true,\"tk_visit_count\":1},\"time\":{TIME},\"type\":\"profile_increment\"}",
        profile + "{\"$is_login_id\":true,\"tk_label\":[\"a\"]},\"time\":{TIME},\"type\":\"profile_append\"}",
        profile + "{\"$is_login_id\":true,\"tk_consumption\":2.5},\"time\":{TIME},\"type\":\"profile_set\"}",
    };
    const std::vector<std::string> after = ok_.RecordTexts(user);
    ASSERT_EQ(after.size(), std::size(expected));
    for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i], Fill(expected[i], after[i], user));
}

TEST_F(SdkTest, InvalidLoginIdChangesNothing)
{
    StderrCapture capture;
    analytics_core::SendTrackSignup("");
    analytics_core::SendTrackSignup(std::string(256, 'u'));
    EXPECT_EQ(capture.Text(), "The Distinct ID is empty.\nThe Distinct ID is too long, max length is 255.\n");
    analytics_core::SendTrack("After");
    ASSERT_TRUE(analytics_core::FlushUntilEmpty());
    const std::vector<Json::Value> records = ok_.Records(id_);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["type"], "track");
    EXPECT_FALSE(records[0]["properties"].isMember("$is_login_id"));
}

TEST_F(SdkTest, NameAndValueChecksAtTheirBoundaries)
{
    enum class Outcome { Kept, LeftOut, Dropped };
    struct Case {
        const char* what;
        std::function<void(PropertiesNode&)> put;
        std::string event;
        Outcome outcome;
        std::vector<std::string> present;  // texts the record contains
        std::vector<std::string> absent;   // texts it does not
        std::string message;
    };
    const std::string name100(100, 'n');
    const std::string name101(101, 'n');
    const std::string value8192(8192, 'v');
    const std::string value8193(8193, 'v');
    const Case cases[] = {
        {"100-byte name", [&](PropertiesNode& p) { p.PutInt(name100, 1); }, "Checked", Outcome::Kept,
         {"\"" + name100 + "\":1"}, {}, ""},
        {"101-byte name", [&](PropertiesNode& p) { p.PutInt(name101, 1); }, "Checked", Outcome::Dropped, {}, {},
         "The Property Key is empty or too long, max length is 100\n"},
        {"name starting with a digit", [](PropertiesNode& p) { p.PutInt("1st", 1); }, "Checked", Outcome::Dropped,
         {}, {}, "The Property Key need to be a valid variable name.\n"},
        {"name with a dash", [](PropertiesNode& p) { p.PutInt("tk-name", 1); }, "Checked", Outcome::Dropped, {}, {},
         "The Property Key need to be a valid variable name.\n"},
        {"names starting with $ and _",
         [](PropertiesNode& p) {
             p.PutInt("$dollar", 1);
             p.PutInt("_under", 2);
         },
         "Checked", Outcome::Kept, {"\"$dollar\":1", "\"_under\":2"}, {}, ""},
        {"8192-byte value", [&](PropertiesNode& p) { p.PutString("v", value8192); }, "Checked", Outcome::Kept,
         {"\"v\":\"" + value8192 + "\""}, {}, ""},
        {"8193-byte value", [&](PropertiesNode& p) { p.PutString("v", value8193); }, "Checked", Outcome::LeftOut, {},
         {"\"v\":"}, "String property 'v' is too long, value: " + value8193 + "\n"},
        {"value with 0x7F", [](PropertiesNode& p) { p.PutString("v", "a\x7f"); }, "Checked", Outcome::LeftOut, {},
         {"\"v\":"}, "String property 'v' is not valid UTF-8 string, value: a\x7f\n"},
        {"value with 0x01", [](PropertiesNode& p) { p.PutString("v", "a\x01"); }, "Checked", Outcome::LeftOut, {},
         {"\"v\":"}, "String property 'v' is not valid UTF-8 string, value: a\x01\n"},
        {"value with tab and line feed", [](PropertiesNode& p) { p.PutString("v", "a\tb\nc"); }, "Checked",
         Outcome::Kept, {"\"v\":\"a\\tb\\nc\""}, {}, ""},
        {"empty event name", [](PropertiesNode&) {}, "", Outcome::Dropped, {}, {},
         "The Event Name is empty or too long, max length is 100\n"},
        {"101-byte event name", [](PropertiesNode&) {}, std::string(101, 'E'), Outcome::Dropped, {}, {},
         "The Event Name is empty or too long, max length is 100\n"},
        {"event name starting with a digit", [](PropertiesNode&) {}, "9lives", Outcome::Dropped, {}, {},
         "The Event Name need to be a valid variable name.\n"},
        {"100-byte event name", [](PropertiesNode&) {}, std::string(100, 'E'), Outcome::Kept,
         {"\"event\":\"" + std::string(100, 'E') + "\""}, {}, ""},
        {"$time as text", [](PropertiesNode& p) { p.PutString("$time", "now"); }, "Checked", Outcome::Dropped, {},
         {}, "The property '$time' should be DateTime type.\n"},
        {"$time as DateTime", [](PropertiesNode& p) { p.PutDateTime("$time", 1700000000, 250); }, "Checked",
         Outcome::Kept, {"\"time\":1700000000250"}, {"$time"}, ""},
        {"$project as Int", [](PropertiesNode& p) { p.PutInt("$project", 7); }, "Checked", Outcome::Dropped, {}, {},
         "The property '$project' should be String type.\n"},
        {"empty $project", [](PropertiesNode& p) { p.PutString("$project", ""); }, "Checked", Outcome::Kept,
         {"\"type\":\"track\""}, {"project\""}, ""},
    };

    for (size_t i = 0; i < std::size(cases); ++i) {
        PropertiesNode properties;
        properties.PutInt("case", static_cast<int64_t>(i));
        StderrCapture capture;
        cases[i].put(properties);
        analytics_core::SendTrack(cases[i].event, properties);
        EXPECT_EQ(capture.Text(), cases[i].message) << cases[i].what;
    }
    ASSERT_TRUE(analytics_core::FlushUntilEmpty());

    std::map<int, std::string> byCase;
    for (const std::string& text : ok_.RecordTexts(id_)) byCase[ParseJson(text)["properties"]["case"].asInt()] = text;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const auto found = byCase.find(static_cast<int>(i));
        if (c.outcome == Outcome::Dropped) {
            EXPECT_EQ(found, byCase.end()) << c.what;
            continue;
        }
        ASSERT_NE(found, byCase.end()) << c.what;
        for (const std::string& text : c.present) EXPECT_NE(found->second.find(text), std::string::npos) << c.what;
        for (const std::string& text : c.absent) EXPECT_EQ(found->second.find(text), std::string::npos) << c.what;
    }
}

TEST(SdkLifetime, InitChecksTheDistinctIdAndKeepsTheFirstInstance)
{
    const struct {
        std::string id;
        bool accepted;
        std::string message;
    } cases[] = {
        {"", false, "The Distinct ID is empty.\n"},
        {std::string(256, 'd'), false, "The Distinct ID is too long, max length is 255.\n"},
        {std::string(255, 'd'), true, ""},
    };
    for (const auto& c : cases) {
        StderrCapture capture;
        EXPECT_EQ(Sdk::Init("", "http://127.0.0.1:1/", c.id, false, "Lifetime"), c.accepted);
        EXPECT_EQ(capture.Text(), c.message);
        EXPECT_EQ(Sdk::Instance() != nullptr, c.accepted);
        Sdk::Shutdown();
    }

    Collector ok("ok");
    const std::string first = UniqueName("first");
    ASSERT_TRUE(Sdk::Init("", ok.Url(), first, false, "Lifetime"));
    ASSERT_TRUE(Sdk::Init("", "http://127.0.0.1:1/", UniqueName("second"), true, "Lifetime"));
    analytics_core::SendTrack("Kept");
    EXPECT_TRUE(analytics_core::FlushUntilEmpty());
    Sdk::Shutdown();
    const std::vector<Json::Value> records = ok.Records(first);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0]["properties"].isMember("$is_login_id"));

    // Without an instance every operation does nothing.
    analytics_core::SendTrack("Dropped");
    EXPECT_FALSE(analytics_core::FlushBatch());
    EXPECT_FALSE(analytics_core::FlushUntilEmpty());
    EXPECT_EQ(ok.Records(first).size(), 1u);
}

} // namespace
