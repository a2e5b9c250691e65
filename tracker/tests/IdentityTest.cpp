#include "TrackerTestSupport.h"

#include "Utils/FileSystem.h"

#include <gtest/gtest.h>

namespace {

using tavik::tracking::TkContextProperties;
using tavik::tracking::TkEventClick;
using tavik::tracking::TkUser;
using tavik::tracking::TkUserType;

class IdentityTest : public ::testing::Test {
protected:
    // Settings as an earlier run left them.
    void WriteSettings(const std::string& distinctId, const std::string& primaryId, const std::string& userId,
                       const std::string& url, bool loggedIn)
    {
        ASSERT_TRUE(Utils::CreateDirectories(ToWide(run_.DataFolder())));
        const std::string file = run_.SettingsFile();
        WriteIni(file, "Base", "DistinctId", distinctId);
        WriteIni(file, "Base", "PrimaryDistinctId", primaryId);
        WriteIni(file, "Base", "UserId", userId);
        WriteIni(file, "Base", "UserVipLevel", "3");
        WriteIni(file, "Base", "URL", url);
        WriteIni(file, "Base", "isLogined", loggedIn ? "OK" : "NG");
    }

    void Click(const std::string& name)
    {
        TkEventClick click;
        click.name = name;
        run_.Impl().trackClick(click, TkContextProperties());
    }

    Collector ok_{"ok"};
    TrackerRun run_{ok_};
};

TEST_F(IdentityTest, FirstRunSavesOneUpperCaseIdForDeviceAndRecords)
{
    ASSERT_FALSE(Utils::DirectoryExists(ToWide(run_.DataFolder())));
    run_.Start();
    const std::string id = run_.Id();
    EXPECT_EQ(run_.Impl().context().settingsPath, run_.SettingsFile());
    Click("first");
    run_.Stop();

    const std::string file = run_.SettingsFile();
    EXPECT_TRUE(IsUpperCaseGuid(id)) << id;
    const std::vector<std::string> base = IniSection(file, "Base");
    const std::vector<std::string> expected = {
        "DistinctId=" + id, "PrimaryDistinctId=" + id, "UserId=", "UserVipLevel=0", "URL=" + ok_.Url(),
        "isLogined=NG"};
    EXPECT_EQ(base, expected);
    const std::vector<std::string> uninstall = IniSection(file, "UninstallInfo");
    const std::vector<std::string> expectedUninstall = {
        "AppStore=" + run_.config.appStore, "AppName=" + run_.config.appName, "AppVersion=2.4.1"};
    EXPECT_EQ(uninstall, expectedUninstall);

    // The log file exists and stays empty.
    const std::wstring log = ToWide(run_.DataFolder() + run_.config.appName + "_TKSLog.txt");
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    ASSERT_TRUE(::GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_EQ(attributes.nFileSizeLow, 0u);

    const std::vector<Json::Value> records = ok_.Records(id);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0]["properties"].isMember("$is_login_id"));

    run_.Start();  // a later run is the same device
    EXPECT_EQ(run_.Id(), id);
    EXPECT_EQ(run_.Impl().getPrimaryDistinctId(), id);
}

TEST_F(IdentityTest, ChangedCollectionUrlRevertsToThePrimaryId)
{
    const std::string primary = UniqueName("device");
    const std::string user = UniqueName("user");
    WriteSettings(user, primary, user, "http://127.0.0.1:9/elsewhere", true);

    run_.Start();
    EXPECT_EQ(run_.Id(), primary);
    EXPECT_FALSE(run_.Impl().context().loggedIn);
    Click("after move");
    run_.Stop();

    const std::string file = run_.SettingsFile();
    EXPECT_EQ(ReadIni(file, "Base", "DistinctId"), primary);
    EXPECT_EQ(ReadIni(file, "Base", "PrimaryDistinctId"), primary);
    EXPECT_EQ(ReadIni(file, "Base", "UserId"), "");
    EXPECT_EQ(ReadIni(file, "Base", "URL"), ok_.Url());
    EXPECT_EQ(ReadIni(file, "Base", "isLogined"), "NG");

    EXPECT_TRUE(ok_.Records(user).empty());
    const std::vector<Json::Value> records = ok_.Records(primary);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0]["properties"].isMember("$is_login_id"));
    EXPECT_FALSE(records[0]["properties"].isMember("tk_user_id"));
}

TEST_F(IdentityTest, SameCollectionUrlKeepsTheLoggedInUser)
{
    const std::string user = UniqueName("user");
    WriteSettings(user, UniqueName("device"), user, ok_.Url(), true);

    run_.Start();
    EXPECT_EQ(run_.Id(), user);
    EXPECT_EQ(run_.Impl().context().vipLevel, 3);
    Click("as user");
    run_.Stop();

    const std::vector<Json::Value> records = ok_.Records(user);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["properties"]["$is_login_id"], true);
    EXPECT_EQ(records[0]["properties"]["tk_user_id"], user);
}

TEST_F(IdentityTest, LoginSignsUpTheUserAndKeepsThem)
{
    run_.Start();
    const std::string device = run_.Id();
    const std::string user = UniqueName("user");
    TkUser login;
    login.userId = user;
    login.userType = TkUserType::Email;
    login.vipLevel = 2;
    run_.Impl().trackLogin(login, true, "", TkContextProperties());
    Click("after login");
    run_.Stop();

    const std::string file = run_.SettingsFile();
    EXPECT_EQ(ReadIni(file, "Base", "DistinctId"), user);
    EXPECT_EQ(ReadIni(file, "Base", "PrimaryDistinctId"), device);
    EXPECT_EQ(ReadIni(file, "Base", "UserId"), user);
    EXPECT_EQ(ReadIni(file, "Base", "UserVipLevel"), "2");
    EXPECT_EQ(ReadIni(file, "Base", "isLogined"), "OK");

    const std::vector<Json::Value> before = ok_.Records(device);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0]["event"], "TkEventLogin");
    EXPECT_EQ(before[0]["properties"]["tk_login_id"], user);
    EXPECT_EQ(before[0]["properties"]["tk_type"], "email");
    EXPECT_EQ(before[0]["properties"]["tk_result"], "Success");
    const std::vector<Json::Value> after = ok_.Records(user);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0]["type"], "track_signup");
    EXPECT_EQ(after[0]["original_id"], device);
    EXPECT_EQ(after[1]["event"], "TkEventClick");
    EXPECT_EQ(after[1]["properties"]["$is_login_id"], true);
    EXPECT_EQ(after[1]["properties"]["tk_user_id"], user);

    run_.Start();
    EXPECT_EQ(run_.Id(), user);
    EXPECT_TRUE(run_.Impl().context().loggedIn);
}

} // namespace
