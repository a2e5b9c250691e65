#include "ChildProcess.h"

#include "tracker/SystemProperties.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using tavik::tracking::WindowsVersion;
using tavik::tracking::WindowsVersionName;

TEST(WindowsVersionName, NamesEachVersionByItsNumbers)
{
    const struct {
        WindowsVersion version;
        bool is64Bit;
        bool serverR2;
        const char* name;
    } cases[] = {
        {{true, 5, 0, 2195}, false, false, "2K"},
        {{true, 5, 1, 2600}, false, false, "XP"},
        {{true, 5, 2, 3790}, true, false, "XP64"},
        {{true, 5, 2, 3790}, true, true, "XP64"},
        {{true, 5, 2, 3790}, false, true, "Server 2003 R2"},
        {{true, 5, 2, 3790}, false, false, "Server 2003"},
        {{true, 5, 3, 0}, false, false, "XP+"},
        {{true, 6, 0, 6002}, true, false, "Vista64"},
        {{true, 6, 0, 6002}, false, false, "Vista"},
        {{true, 6, 1, 7601}, true, false, "7"},
        {{true, 6, 1, 7601}, false, false, "7-32"},
        {{true, 6, 2, 9200}, true, false, "8"},
        {{true, 6, 2, 9200}, false, false, "8-32"},
        {{true, 6, 3, 9600}, false, false, "8.1"},
        {{true, 6, 4, 0}, true, false, "8.1+"},
        {{true, 10, 0, 19045}, true, false, "10"},
        {{true, 10, 0, 21999}, false, false, "10"},
        {{true, 10, 0, 22000}, true, false, "11"},
        {{true, 10, 0, 26100}, false, false, "11"},
        {{true, 10, 1, 0}, true, false, "11+"},
        {{true, 11, 0, 30000}, true, false, "11.0.30000"},
        {{true, 7, 2, 5}, false, false, "7.2.5"},
        {{true, 4, 0, 1381}, false, false, "XP-"},
        {{true, 0, 0, 0}, false, false, "XP-"},
        {{false, 0, 0, 0}, true, false, "XP-"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowsVersionName(c.version, c.is64Bit, c.serverR2), c.name)
            << c.version.major << "." << c.version.minor << "." << c.version.build << " 64-bit " << c.is64Bit;
    }
}

TEST(WindowsVersionName, RunningSystemIsNamedFromItsOwnNumbers)
{
    const WindowsVersion version = tavik::tracking::ReadWindowsVersion();
    ASSERT_TRUE(version.known);
    const std::string name = tavik::tracking::CurrentWindowsVersionName();
    EXPECT_EQ(name, WindowsVersionName(version, tavik::tracking::IsWindows64Bit(), false));
    // Wine, as the tests run it, reports a 64-bit Windows 7 (6.1.7601).
    if (version.major == 6 && version.minor == 1) {
        EXPECT_EQ(name, tavik::tracking::IsWindows64Bit() ? "7" : "7-32");
    }
}

// Wine plays the Windows version set for a program in the registry.
TEST(WindowsVersionName, EachVersionWinePlaysIsNamedAfterIt)
{
    const wchar_t* key = L"Software\\Wine\\AppDefaults\\tracker_probe.exe";
    const struct {
        const wchar_t* version;
        const char* name64;
        const char* name32;
    } cases[] = {
        {L"win2k", "2K", "2K"},         {L"winxp", "XP", "XP"},   {L"win2003", "XP64", "Server 2003"},
        {L"vista", "Vista64", "Vista"}, {L"win7", "7", "7-32"},   {L"win8", "8", "8-32"},
        {L"win81", "8.1", "8.1"},       {L"win10", "10", "10"},
    };
    const bool is64Bit = tavik::tracking::IsWindows64Bit();
    for (const auto& c : cases) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Version", REG_SZ, c.version,
                                    static_cast<DWORD>((wcslen(c.version) + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        ChildProcess probe;
        ASSERT_TRUE(probe.Start(L"tracker_probe.exe", L""));
        const std::string expected = is64Bit ? c.name64 : c.name32;
        EXPECT_EQ(probe.ReadLine(), expected) << expected;
        EXPECT_EQ(probe.ReadLine(), tavik::tracking::UserAgent(expected, is64Bit));
        EXPECT_EQ(probe.Wait(), 0u);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

TEST(UserAgent, NamesTheSystemAndItsWordSize)
{
    EXPECT_EQ(tavik::tracking::UserAgent("10", true), "Mozilla/5.0(Windows 10; Win64;)");
    EXPECT_EQ(tavik::tracking::UserAgent("7-32", false), "Mozilla/5.0(Windows 7-32; Win32;)");
}

TEST(Locale, OverrideWithALanguagePartIsSplitAtItsFirstUnderscore)
{
    const struct {
        const char* override;
        const char* locale;
        const char* language;
        const char* country;
    } cases[] = {
        {"zh_TW", "zh_TW", "zh", "TW"},
        {"en_US_POSIX", "en_US_POSIX", "en", "US_POSIX"},
        {"fr_", "fr_", "fr", ""},
    };
    for (const auto& c : cases) {
        const tavik::tracking::LocaleProperties locale = tavik::tracking::ResolveLocale(c.override);
        EXPECT_EQ(locale.locale, c.locale);
        EXPECT_EQ(locale.language, c.language);
        EXPECT_EQ(locale.country, c.country);
    }
}

TEST(Locale, OtherwiseTheUsersDefaultLocale)
{
    char language[16] = {};
    char country[16] = {};
    ASSERT_GT(::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, 16), 0);
    ASSERT_GT(::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, country, 16), 0);
    for (const char* override : {"", "_CN", "zh"}) {
        const tavik::tracking::LocaleProperties locale = tavik::tracking::ResolveLocale(override);
        EXPECT_EQ(locale.language, language) << override;
        EXPECT_EQ(locale.country, country) << override;
        EXPECT_EQ(locale.locale, std::string(language) + "_" + country) << override;
    }
}

} // namespace
