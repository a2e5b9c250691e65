#include "TrackerTestSupport.h"

#include "tracker/DataLocation.h"
#include "tracker/TrackerContext.h"

#include "Utils/FileSystem.h"

#include <gtest/gtest.h>

namespace {

using tavik::tracking::DataLocation;
using tavik::tracking::ResolveDataLocation;

class DataLocationTest : public ::testing::Test {
protected:
    ~DataLocationTest() override { Utils::RemoveDirectoryTree(ToWide(DefaultDataFolder(app_))); }

    void WriteSetIni(const std::string& value) { WriteIni(exe_.Path() + "Set.ini", "Install", "TKAnalyticsIni", value); }
    DataLocation Resolve() { return ResolveDataLocation(exe_.WidePath(), app_); }

    TempFolder exe_;    // plays the folder of the running executable
    TempFolder data_;
    std::string app_ = UniqueName("Location");
};

TEST_F(DataLocationTest, WithoutSetIniTheFilesLiveUnderShortLocalAppData)
{
    const DataLocation location = Resolve();
    EXPECT_EQ(location.dataFolder, DefaultDataFolder(app_));
    EXPECT_EQ(location.settingsPath, DefaultDataFolder(app_) + app_ + "_TKSConfigure.ini");
    EXPECT_TRUE(Utils::DirectoryExists(ToWide(location.dataFolder)));
}

TEST_F(DataLocationTest, SetIniNamesTheSettingsFileWithEitherSlash)
{
    // data_ is "<temp>\name\": name the file with forward slashes, two new folders down.
    std::string named = data_.Path() + "one/two/an.ini";
    for (char& c : named) {
        if (c == '\\') c = '/';
    }
    WriteSetIni(named);
    const std::string folder = data_.Path() + "one\\two\\";
    for (int run = 0; run < 2; ++run) {  // the second run finds the folder made
        const DataLocation location = Resolve();
        EXPECT_EQ(location.settingsPath, folder + "an.ini");
        EXPECT_EQ(location.dataFolder, folder);
        EXPECT_TRUE(Utils::DirectoryExists(ToWide(folder)));
    }
    EXPECT_FALSE(Utils::DirectoryExists(ToWide(DefaultDataFolder(app_))));
}

TEST_F(DataLocationTest, SetIniWithoutAFolderOrValueFallsBackToTheDefault)
{
    for (const char* value : {"an.ini", ""}) {
        WriteSetIni(value);
        EXPECT_EQ(Resolve().dataFolder, DefaultDataFolder(app_)) << value;
    }
}

// The installer records its analytics INI in the product's set.ini, with an
// [Init] section of its own; the identity goes into the same file beside it.
TEST_F(DataLocationTest, TheInstallersAnalyticsIniHoldsTheIdentityBesideItsOwnKeys)
{
    const std::string analyticsIni = data_.Path() + "TavikData\\Melvane\\TKAnalytics.ini";
    ASSERT_TRUE(Utils::CreateDirectories(ToWide(data_.Path() + "TavikData\\Melvane")));
    WriteIni(analyticsIni, "Init", "UpdateTime", "2026-12-11 10:00:00");
    WriteIni(exe_.Path() + "set.ini", "Install", "TKAnalyticsIni", analyticsIni);

    const DataLocation location = Resolve();
    ASSERT_EQ(location.settingsPath, analyticsIni);
    EXPECT_EQ(location.dataFolder, data_.Path() + "TavikData\\Melvane\\");

    tavik::tracking::TrackerContext context;
    context.settingsPath = location.settingsPath;
    context.LoadIdentity();
    context.WriteUninstallInfo("setup.exe", "Melvane.downloader", "1.7.9");

    EXPECT_EQ(ReadIni(analyticsIni, "Init", "UpdateTime"), "2026-12-11 10:00:00");
    EXPECT_EQ(ReadIni(analyticsIni, "Base", "DistinctId"), context.distinctId);
    EXPECT_EQ(ReadIni(analyticsIni, "UninstallInfo", "AppName"), "Melvane.downloader");
}

} // namespace
