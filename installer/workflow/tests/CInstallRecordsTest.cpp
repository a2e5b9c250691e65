#include "CInstallRecords.h"
#include "TempFolder.h"
#include "Utils/FileSystem.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <regex>
#include <vector>

namespace {

std::wstring ShellFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, 0, buffer)) ? buffer : L"";
}

std::wstring ReadIni(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[512] = {};
    ::GetPrivateProfileStringW(section, key, L"<none>", value, 512, file.c_str());
    return value;
}

void WriteFileText(const std::wstring& path, const char* text)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    ::CloseHandle(file);
}

// Each test starts without the product's key and with APPDATA in a folder of
// its own; the key is shared by every test process, hence the resource lock.
class Records : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteKey();
        ::SetEnvironmentVariableW(L"APPDATA", appData_.Path().c_str());
    }
    void TearDown() override { DeleteKey(); }

    static void DeleteKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, CInstallRecords::kRegistryKey); }

    static void SetValue(const wchar_t* name, const std::wstring& value)
    {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, CInstallRecords::kRegistryKey, name, REG_SZ, value.c_str(),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    // The raw bytes of a value, to check type and terminating null.
    static bool GetValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& data)
    {
        DWORD size = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, CInstallRecords::kRegistryKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                           nullptr, &size) != ERROR_SUCCESS) {
            return false;
        }
        data.resize(size);
        return ::RegGetValueW(HKEY_CURRENT_USER, CInstallRecords::kRegistryKey, name, RRF_RT_ANY | RRF_NOEXPAND,
                              &type, data.data(), &size) == ERROR_SUCCESS;
    }

    // Where a fresh installation goes for the rights this process has.
    std::wstring FreshFolder(const CInstallRecords& records) const
    {
        if (records.AdminAccount() && records.Elevated()) return appData_.Path() + L"\\kestrow\\Melvane";
        return ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\Melvane";
    }

    TempFolder appData_{L"AppData"};
    TempFolder old_{L"Old Melvane"};
};

TEST_F(Records, NoKeyMeansNotInstalled)
{
    CInstallRecords records;
    records.ReadInstallRecords();
    EXPECT_FALSE(records.Installed());
    EXPECT_EQ(records.ExistingFolder(), L"");
    EXPECT_EQ(records.OldUninstaller(), L"");
    EXPECT_EQ(records.DefaultInstallFolder(), FreshFolder(records));
}

TEST_F(Records, StandardUserGetsTheProgramFilesFolder)
{
    // Without APPDATA the per-user folder cannot be had whatever the rights.
    ::SetEnvironmentVariableW(L"APPDATA", nullptr);
    CInstallRecords records;
    records.ReadInstallRecords();
    EXPECT_EQ(records.DefaultInstallFolder(), ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\Melvane");
}

TEST_F(Records, InstallPathWithItsUninstallerIsTheDefaultFolder)
{
    SetValue(L"InstallPath", old_.Path());
    WriteFileText(old_.File(L"uninst.ep"), "MZ");
    CInstallRecords records;
    records.ReadInstallRecords();
    EXPECT_TRUE(records.Installed());
    EXPECT_EQ(records.OldUninstaller(), old_.File(L"uninst.ep"));
    EXPECT_EQ(records.DefaultInstallFolder(), old_.Path());
}

TEST_F(Records, InstallPathWithoutUninstallerFallsBackToAFreshFolder)
{
    SetValue(L"InstallPath", old_.Path());
    CInstallRecords records;
    records.ReadInstallRecords();
    EXPECT_TRUE(records.Installed());
    EXPECT_EQ(records.OldUninstaller(), old_.File(L"uninst.ep"));
    EXPECT_EQ(records.DefaultInstallFolder(), FreshFolder(records));
}

TEST_F(Records, RecordedUninstallerEntryIsUsed)
{
    SetValue(L"InstallPath", old_.Path());
    SetValue(L"UnInstallEp", old_.File(L"bin\\remove.exe"));
    CInstallRecords records;
    records.ReadInstallRecords();
    EXPECT_EQ(records.OldUninstaller(), old_.File(L"bin\\remove.exe"));
}

TEST_F(Records, OverrideSettingOnlyCountsInTheSameFolder)
{
    SetValue(L"InstallPath", old_.Path());
    CInstallRecords records;
    records.ReadInstallRecords();
    EXPECT_FALSE(records.KeepsOldVersion(old_.Path())) << "no set.ini";

    WriteFileText(old_.File(L"set.ini"), "[Uninstall]\r\nIsOverride=false\r\n");
    EXPECT_TRUE(records.KeepsOldVersion(old_.Path()));
    EXPECT_TRUE(records.KeepsOldVersion(old_.Path() + L"\\"));

    TempFolder other(L"Other");
    WriteFileText(other.File(L"set.ini"), "[Uninstall]\r\nIsOverride=false\r\n");
    EXPECT_FALSE(records.KeepsOldVersion(other.Path()));

    WriteFileText(old_.File(L"set.ini"), "[Uninstall]\r\nIsOverride=true\r\n");
    EXPECT_FALSE(records.KeepsOldVersion(old_.Path()));
}

TEST_F(Records, CustomFolder)
{
    CInstallRecords records;
    records.ReadInstallRecords();
    EXPECT_EQ(records.CustomInstallFolder(L"D:/Apps"), L"D:\\Apps\\Melvane");
    EXPECT_EQ(records.CustomInstallFolder(L"D:\\Apps\\"), L"D:\\Apps\\Melvane");
    EXPECT_EQ(records.CustomInstallFolder(L"D:/"), L"D:\\Melvane");
    const std::wstring defaultFolder = records.DefaultInstallFolder();
    EXPECT_EQ(records.CustomInstallFolder(defaultFolder), defaultFolder);
    EXPECT_EQ(records.CustomInstallFolder(defaultFolder + L"\\"), defaultFolder);
}

TEST_F(Records, ProductIniHoldsTheInstallersRecords)
{
    TempFolder install(L"Melvane");
    CInstallRecords records;
    records.WriteProductIni(install.Path(), 1);

    const std::wstring setIni = install.File(L"set.ini");
    const std::wstring exePath = Utils::ModulePath();
    EXPECT_EQ(ReadIni(setIni, L"Install", L"APPStore"), exePath.substr(exePath.find_last_of(L'\\') + 1));
    EXPECT_EQ(ReadIni(setIni, L"Install", L"AppName"), L"Melvane");
    const std::wstring deviceId = ReadIni(setIni, L"Install", L"DeviceID");
    EXPECT_TRUE(std::regex_match(deviceId, std::wregex(L"[0-9A-Fa-f]{32}"))) << deviceId.c_str();
    const std::wstring analyticsIni = appData_.Path() + L"\\TavikData\\Melvane\\TKAnalytics.ini";
    EXPECT_EQ(ReadIni(setIni, L"Install", L"TKAnalyticsIni"), analyticsIni);
    EXPECT_TRUE(std::regex_match(ReadIni(analyticsIni, L"Init", L"UpdateTime"),
                                 std::wregex(L"\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d")));
    EXPECT_EQ(ReadIni(install.File(L"config.ini"), L"Install", L"Language"), L"en-US");

    // Each writing makes a new device identifier.
    records.WriteProductIni(install.Path(), 2);
    EXPECT_NE(ReadIni(setIni, L"Install", L"DeviceID"), deviceId);
    EXPECT_EQ(ReadIni(install.File(L"config.ini"), L"Install", L"Language"), L"zh-TW");
    records.WriteProductIni(install.Path(), 0);
    EXPECT_EQ(ReadIni(install.File(L"config.ini"), L"Install", L"Language"), L"en-US");
}

TEST_F(Records, AnalyticsFolderFallsBackToCommonDocuments)
{
    ::SetEnvironmentVariableW(L"APPDATA", nullptr);
    EXPECT_EQ(CInstallRecords::AnalyticsFolder(), ShellFolder(CSIDL_COMMON_DOCUMENTS) + L"\\TavikData\\Melvane");
}

TEST_F(Records, RegistryRecordsNameTheInstallation)
{
    TempFolder install(L"Melvane");
    CInstallRecords records;

    // Nothing reported and no default entry: only the folder is recorded.
    records.WriteRegistryRecords(install.Path(), L"");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(GetValue(L"InstallPath", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    const std::wstring& folder = install.Path();
    ASSERT_EQ(data.size(), (folder.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), folder);
    EXPECT_FALSE(GetValue(L"UnInstallEp", type, data));

    WriteFileText(install.File(L"uninst.ep"), "MZ");
    records.WriteRegistryRecords(install.Path(), L"");
    ASSERT_TRUE(GetValue(L"UnInstallEp", type, data));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), install.File(L"uninst.ep"));

    WriteFileText(install.File(L"remove.exe"), "MZ");
    records.WriteRegistryRecords(install.Path(), install.File(L"remove.exe"));
    ASSERT_TRUE(GetValue(L"UnInstallEp", type, data));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), install.File(L"remove.exe"));

    // What was written is what the next start finds.
    CInstallRecords next;
    next.ReadInstallRecords();
    EXPECT_EQ(next.ExistingFolder(), install.Path());
    EXPECT_EQ(next.OldUninstaller(), install.File(L"remove.exe"));
    EXPECT_EQ(next.DefaultInstallFolder(), install.Path());
}

} // namespace
