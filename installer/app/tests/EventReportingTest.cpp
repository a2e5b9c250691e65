#include "EventReporting.h"
#include "InstallerConfig.h"

#include "TrackerTestSupport.h"

#include "analytics_core/Sdk.h"

#include "Utils/FileSystem.h"
#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const ReportExtra kAb = {{L"AB", L"IN"}};

// Each test reports as an application of its own (its own name suffix), so
// its settings and records meet no other test's.
class EventReportingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallerConfig& config = InstallerConfig::Get();
        config.IsEnableAnalytics = true;
        config.DlAppNameSuffix = Utils::ToWide(UniqueName(".reporting"), Utils::kUtf8CodePage);
        appName_ = Utils::ToNarrow(config.ProductName + config.DlAppNameSuffix, Utils::kUtf8CodePage);
        ::SetEnvironmentVariableW(L"MELVANE_ANALYTICS_URL", ToWide(ok_.Url()).c_str());
    }

    void TearDown() override
    {
        StopAnalytics();
        Utils::RemoveDirectoryTree(ToWide(DataFolder()));
    }

    std::string DataFolder() const { return DefaultDataFolder(appName_); }
    std::string DistinctId() const
    {
        return ReadIni(DataFolder() + appName_ + "_TKSConfigure.ini", "Base", "DistinctId");
    }

    Collector ok_{"ok"};
    std::string appName_;
};

TEST_F(EventReportingTest, QuickInstallLeavesInOnePostAtTheEnd)
{
    StartAnalytics();
    const std::string id = DistinctId();
    ASSERT_TRUE(IsUpperCaseGuid(id)) << id;

    ReportClick(L"立即安装", kAb);
    ReportView(L"安装中", kAb);
    ReportTask(L"下载器启动", 0, L"", kAb);
    ReportTask(L"开始下载大包", 0, L"", kAb);
    ReportTask(L"大包下载完毕", 12.5f, L"", kAb);
    ReportTask(L"安装成功", 0, L"", kAb);
    ReportTask(L"下载失败原因", 0, L":1.code=28；2.msg=timeout", {});
    EXPECT_TRUE(ok_.Requests(id).empty());
    StopAnalytics();

    const std::vector<Json::Value> requests = ok_.Requests(id);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["status"], 200);
    const std::vector<Json::Value> records = ok_.Records(id);
    ASSERT_EQ(records.size(), 7u);

    const struct {
        const char* event;
        const char* name;
        double elapsed;
    } expected[] = {
        {"TkEventClick", u8"立即安装", 0},    {"TkEventView", u8"安装中", 0},
        {"TkEventTask", u8"下载器启动", 0},   {"TkEventTask", u8"开始下载大包", 0},
        {"TkEventTask", u8"大包下载完毕", 12.5}, {"TkEventTask", u8"安装成功", 0},
        {"TkEventTask", u8"下载失败原因", 0},
    };
    for (size_t i = 0; i < records.size(); ++i) {
        const Json::Value& record = records[i];
        const Json::Value& p = record["properties"];
        EXPECT_EQ(record["event"], expected[i].event) << i;
        EXPECT_EQ(p["$is_first_time"], true) << i;
        EXPECT_EQ(p["tk_app_id"], appName_) << i;
        EXPECT_EQ(p["$app_version"], "1.7.9") << i;
        EXPECT_EQ(p["tk_app_store"], Utils::ToNarrow(InstallerConfig::Get().ExeName, Utils::kUtf8CodePage)) << i;
        EXPECT_EQ(p["tk_dlapp_id"], "Melvane") << i;
        EXPECT_FALSE(p.isMember("tk_dlapp_version")) << i;
        EXPECT_EQ(p["tk_edition"], "china") << i;
        EXPECT_EQ(p["tk_sdk"], "WindowsCPP") << i;
        if (expected[i].event == std::string("TkEventTask")) {
            EXPECT_EQ(p["tk_task_name"], expected[i].name) << i;
            EXPECT_EQ(p["tk_task_elapsed"].asDouble(), expected[i].elapsed) << i;
            EXPECT_EQ(p["tk_task_result"], "Success") << i;
        } else {
            EXPECT_EQ(p["tk_name"], expected[i].name) << i;
        }
        if (i + 1 < records.size()) {
            EXPECT_EQ(p["tkc_ab"], "IN") << i;
        } else {
            EXPECT_FALSE(p.isMember("tkc_ab"));
        }
    }
    EXPECT_EQ(records[0]["properties"]["tk_click_type"], "Button");
    EXPECT_FALSE(records[2]["properties"].isMember("tk_reason"));
    EXPECT_EQ(records[6]["properties"]["tk_reason"], u8":1.code=28；2.msg=timeout");
}

TEST_F(EventReportingTest, CrashReportPostsAtOnce)
{
    StartAnalytics();
    const std::string id = DistinctId();
    ReportTask(L"崩溃退出", 0, L"", {});
    ReportCrash();
    // The crash's flush runs on a thread of its own; stopping waits for it.
    StopAnalytics();
    const std::vector<Json::Value> requests = ok_.Requests(id);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["records"], 2);
    const std::vector<Json::Value> records = ok_.Records(id);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1]["event"], "AppCrashed");
    EXPECT_EQ(records[1]["properties"]["app_crashed_reason"], u8"崩溃");
}

TEST_F(EventReportingTest, RefusedAbTextDropsOnlyTheProperty)
{
    StartAnalytics();
    const std::string id = DistinctId();
    ReportClick(L"自定义安装", {{L"AB", L"in"}});
    ReportView(L"安装中", {{L"AB", L"ABCD"}});
    ReportTask(L"安装成功", 0, L"", {{L"AB", L""}, {L"other", L"x"}});
    StopAnalytics();
    const std::vector<Json::Value> records = ok_.Records(id);
    ASSERT_EQ(records.size(), 3u);
    for (const Json::Value& record : records) {
        EXPECT_FALSE(record["properties"].isMember("tkc_ab"));
        EXPECT_FALSE(record["properties"].isMember("other"));
    }
}

TEST_F(EventReportingTest, ReportsOutsideTheRunAreDropped)
{
    ReportClick(L"立即安装", kAb);
    StartAnalytics();
    const std::string id = DistinctId();
    ReportView(L"安装中", kAb);
    StopAnalytics();
    ReportTask(L"安装成功", 0, L"", kAb);
    StopAnalytics();
    const std::vector<Json::Value> records = ok_.Records(id);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["event"], "TkEventView");
}

TEST_F(EventReportingTest, DisabledAnalyticsLeavesNoTrace)
{
    InstallerConfig::Get().IsEnableAnalytics = false;
    StartAnalytics();
    ReportClick(L"立即安装", kAb);
    ReportView(L"安装中", kAb);
    ReportTask(L"安装成功", 0, L"", kAb);
    ReportCrash();
    EXPECT_FALSE(analytics_core::Sdk::Instance());
    StopAnalytics();
    // No instance, hence no request, and no data folder.
    EXPECT_FALSE(Utils::DirectoryExists(ToWide(DataFolder())));
}

// With the shipped settings the tracker keeps its files in the default place
// under the installer's application name.
TEST(EventReportingDefaults, TheInstallersApplicationNameNamesItsDataFolder)
{
    Collector ok("ok");
    ::SetEnvironmentVariableW(L"MELVANE_ANALYTICS_URL", ToWide(ok.Url()).c_str());
    InstallerConfig::Get().ApplyDefaults();
    const std::string folder = DefaultDataFolder("Melvane.downloader");
    StartAnalytics();
    const std::string settings = folder + "Melvane.downloader_TKSConfigure.ini";
    EXPECT_EQ(ReadIni(settings, "UninstallInfo", "AppName"), "Melvane.downloader");
    EXPECT_EQ(ReadIni(settings, "UninstallInfo", "AppVersion"), "1.7.9");
    EXPECT_EQ(ReadIni(settings, "Base", "URL"), ok.Url());
    EXPECT_TRUE(Utils::FileExists(ToWide(folder + "Melvane.downloader_TKSLog.txt")));
    StopAnalytics();
    Utils::RemoveDirectoryTree(ToWide(folder));
}

} // namespace
