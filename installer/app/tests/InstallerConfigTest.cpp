#include "InstallerConfig.h"

#include "Utils/FileSystem.h"
#include "Utils/SystemInfo.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <optional>

namespace {

constexpr const wchar_t* kDefaultUrl = L"https://dl.melvane.example/software/385";

struct Expected {
    std::wstring url = kDefaultUrl;
    int type = 1;
    bool checkNet = false;
    bool analytics = true;
    double scale = 0.7;
    std::wstring suffix = L".downloader";
    std::wstring version;
    std::wstring instCmd;
    int language = 0;
    bool insNew = false;
};

struct Case {
    const char* name;
    std::optional<std::map<std::wstring, std::wstring>> file;  // nullopt: no file at all
    std::wstring switches;
    Expected expected;
};

Expected With(void (*edit)(Expected&))
{
    Expected e;
    edit(e);
    return e;
}

class InstallerConfigLayers : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"config-test-" + Utils::NewGuidString();
        ASSERT_TRUE(Utils::CreateDirectories(folder_));
        ini_ = folder_ + L"\\TavikInstallerConfig.ini";
    }
    void TearDown() override
    {
        ::DeleteFileW(ini_.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    std::unique_ptr<InstallerConfig> Load(const Case& c)
    {
        ::DeleteFileW(ini_.c_str());
        if (c.file) {
            // An empty [Install] section still makes the file exist.
            ::WritePrivateProfileStringW(L"Install", L"Placeholder", L"", ini_.c_str());
            for (const auto& [key, value] : *c.file) {
                ::WritePrivateProfileStringW(L"Install", key.c_str(), value.c_str(), ini_.c_str());
            }
        }
        auto config = std::make_unique<InstallerConfig>();
        config->ApplyFile(folder_ + L"\\setup.exe");
        config->ApplyCommandLine(Utils::CommandLine(L"setup.exe " + c.switches));
        return config;
    }

    std::wstring folder_;
    std::wstring ini_;
};

TEST_F(InstallerConfigLayers, DefaultsThenFileThenSwitches)
{
    using Map = std::map<std::wstring, std::wstring>;
    const Case cases[] = {
        {"no file: built-in defaults", std::nullopt, L"", Expected{}},
        {"file without keys: IsCheckNet defaults to true there", Map{},
         L"", With([](Expected& e) { e.checkNet = true; })},
        {"file values", Map{{L"DownloadUrl", L"http://127.0.0.1:8080/software/385"}, {L"DownloadType", L"3"},
                            {L"IsCheckNet", L"false"}, {L"IsEnableAnalytics", L"false"},
                            {L"DlAppNameSuffix", L".dl"}, {L"m_DlAppVersion", L"2.0"},
                            {L"DownloadScale", L"0.4"}, {L"InstCmd", L"-x"}},
         L"", With([](Expected& e) {
             e.url = L"http://127.0.0.1:8080/software/385"; e.type = 3; e.analytics = false;
             e.suffix = L".dl"; e.version = L"2.0"; e.scale = 0.4; e.instCmd = L"-x";
         })},
        {"switch beats file", Map{{L"DownloadType", L"3"}}, L"-downloadtype=2",
         With([](Expected& e) { e.checkNet = true; e.type = 2; })},
        {"file analytics true/TRUE", Map{{L"IsEnableAnalytics", L"TRUE"}, {L"IsCheckNet", L"true"}}, L"",
         With([](Expected& e) { e.checkNet = true; e.analytics = false; })},
        {"file malformed numbers", Map{{L"DownloadType", L"abc"}, {L"DownloadScale", L"abc"}}, L"",
         With([](Expected& e) { e.checkNet = true; e.type = 0; e.scale = 0.0; })},
        {"file out-of-range numbers", Map{{L"DownloadType", L"99999999999"}, {L"DownloadScale", L"1e999"}}, L"",
         With([](Expected& e) { e.checkNet = true; e.type = 0; e.scale = 0.0; })},
        {"file scale clamped", Map{{L"DownloadScale", L"2.5"}}, L"",
         With([](Expected& e) { e.checkNet = true; e.scale = 1.0; })},
        {"leading integer", std::nullopt, L"-downloadtype=2abc -language=2", With([](Expected& e) { e.type = 2; e.language = 2; })},
        {"integer not a number", std::nullopt, L"-downloadtype=abc -language=x", With([](Expected& e) { e.type = 0; })},
        {"integer out of range", std::nullopt, L"-downloadtype=99999999999", With([](Expected& e) { e.type = 0; })},
        {"switch and value apart set nothing", std::nullopt, L"-downloadtype 2", Expected{}},
        {"booleans only for exactly true", std::nullopt, L"-ischecknet=TRUE -isenableanalytics=1 -insnew=true",
         With([](Expected& e) { e.analytics = false; e.insNew = true; })},
        {"ischecknet true", std::nullopt, L"-ischecknet=true", With([](Expected& e) { e.checkNet = true; })},
        {"scale from switch", std::nullopt, L"-downloadscale=0.25", With([](Expected& e) { e.scale = 0.25; })},
        {"scale not a number keeps file value", Map{{L"DownloadScale", L"0.4"}}, L"-downloadscale=abc",
         With([](Expected& e) { e.checkNet = true; e.scale = 0.4; })},
        {"scale nan and huge keep", std::nullopt, L"-downloadscale=nan", Expected{}},
        {"scale out of range keeps", std::nullopt, L"-downloadscale=1e999", Expected{}},
        {"scale clamped high", std::nullopt, L"-downloadscale=1.5", With([](Expected& e) { e.scale = 1.0; })},
        {"scale clamped low", std::nullopt, L"-downloadscale=-0.2", With([](Expected& e) { e.scale = 0.0; })},
        {"texts", std::nullopt, L"-dlappnamesuffix=.x -dlappversion=3.1 \"-instcmd=a b\"",
         With([](Expected& e) { e.suffix = L".x"; e.version = L"3.1"; e.instCmd = L"a b"; })},
        {"first occurrence wins", std::nullopt, L"-downloadtype=4 -downloadtype=2", With([](Expected& e) { e.type = 4; })},
        {"switches are case-sensitive", std::nullopt, L"-DownloadType=3", Expected{}},
        {"url without placeholder", std::nullopt, L"-downloadurl=http://127.0.0.1:1/a/b",
         With([](Expected& e) { e.url = L"http://127.0.0.1:1/a/b"; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto loaded = Load(c);
        const InstallerConfig& config = *loaded;
        EXPECT_EQ(config.DownloadUrl, c.expected.url);
        EXPECT_EQ(config.DownloadType, c.expected.type);
        EXPECT_EQ(config.IsCheckNet, c.expected.checkNet);
        EXPECT_EQ(config.IsEnableAnalytics, c.expected.analytics);
        EXPECT_DOUBLE_EQ(config.DownloadScale, c.expected.scale);
        EXPECT_EQ(config.DlAppNameSuffix, c.expected.suffix);
        EXPECT_EQ(config.DlAppVersion, c.expected.version);
        EXPECT_EQ(config.InstCmd, c.expected.instCmd);
        EXPECT_EQ(config.LanguageIndex, c.expected.language);
        EXPECT_EQ(config.InsNew, c.expected.insNew);
        EXPECT_EQ(config.ExeName, L"setup.exe");
        EXPECT_EQ(config.ProductName, L"Melvane");
        EXPECT_EQ(config.ProductVersion, L"1.7.9");
        EXPECT_EQ(config.AbGroup, L"IN");
        EXPECT_TRUE(config.CurlReady);
    }
}

TEST_F(InstallerConfigLayers, UrlPlaceholderIsCompletedForFileAndSwitch)
{
    std::wstring osName, osVersion;
    Utils::GetOsVersion(osName, osVersion);
    const std::wstring route = osVersion.find(L"XP") != std::wstring::npos ? L"download_silent_xp" : L"download_silent";

    const Case fromFile{"file", std::map<std::wstring, std::wstring>{{L"DownloadUrl", L"http://h/${ROUTE}/385"}}, L"", {}};
    EXPECT_EQ(Load(fromFile)->DownloadUrl, L"http://h/" + route + L"/385");
    const Case fromSwitch{"switch", std::nullopt, L"-downloadurl=http://h/${ROUTE}/x/${ROUTE}", {}};
    EXPECT_EQ(Load(fromSwitch)->DownloadUrl, L"http://h/" + route + L"/x/" + route);
}

TEST(InstallerConfig, CompleteDownloadUrlByOsName)
{
    struct Row {
        const wchar_t* os;
        bool is64;
        const wchar_t* url;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {L"XP", false, L"http://h/${ROUTE}/385", L"http://h/download_silent_xp/385"},
        {L"XP-", false, L"http://h/${ROUTE}/385", L"http://h/download_silent_xp/385"},
        {L"XP+", true, L"http://h/${ROUTE}/385", L"http://h/download_silent_xp/385"},
        {L"2K", false, L"http://h/${ROUTE}/385", L"http://h/download_silent/385"},
        {L"Server 2003", false, L"http://h/${ROUTE}/385", L"http://h/download_silent/385"},
        // 589 has no 64-bit package, so a 64-bit Windows 10 gets the plain route.
        {L"10", true, L"http://h/${ROUTE}/385", L"http://h/download_silent/385"},
        {L"7", false, L"http://h/${ROUTE}/a/${ROUTE}", L"http://h/download_silent/a/download_silent"},
        {L"XP", false, L"http://h/software/385", L"http://h/software/385"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(InstallerConfig::CompleteDownloadUrl(r.url, r.os, r.is64), r.expected) << r.os << " " << r.url;
    }
}

TEST(InstallerConfig, ProcessRecordIsFilledBeforeMain)
{
    const std::wstring exe = Utils::ModulePath();
    EXPECT_EQ(InstallerConfig::Get().ExeName, exe.substr(exe.find_last_of(L'\\') + 1));
    EXPECT_EQ(InstallerConfig::Get().DownloadUrl, kDefaultUrl);
}

} // namespace
