#include "ChildProcess.h"
#include "TempFolder.h"

#include "Utils/CommandLine.h"
#include "Utils/Exception.h"
#include "Utils/FileSystem.h"
#include "Utils/Pipe.h"
#include "Utils/SingleInstance.h"
#include "Utils/Stopwatch.h"
#include "Utils/SystemInfo.h"
#include "Utils/Text.h"
#include "Utils/Thread.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

TEST(CommandLine, SplitsArgumentsIntoOrderedKeys)
{
    struct Case {
        const wchar_t* line;
        Entries expected;
    };
    const Case cases[] = {
        {L"setup.exe -key=3 -flag", {{L"setup.exe", L""}, {L"-key", L"3"}, {L"-flag", L""}}},
        {L"setup.exe -a=1=2", {{L"setup.exe", L""}, {L"-a", L"1=2"}}},
        {L"setup.exe -a=1 -a=2", {{L"setup.exe", L""}, {L"-a", L"1"}}},
        {L"setup.exe -downloadtype 2", {{L"setup.exe", L""}, {L"-downloadtype", L""}, {L"2", L""}}},
        {L"setup.exe a=1 -Key=x", {{L"setup.exe", L""}, {L"a=1", L""}, {L"-Key", L"x"}}},
        {L"\"C:\\My Dir\\setup.exe\" \"-instdir=C:\\Program Files\\M\"",
         {{L"C:\\My Dir\\setup.exe", L""}, {L"-instdir", L"C:\\Program Files\\M"}}},
        {L"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utils::CommandLine(c.line).Entries(), c.expected) << c.line;
    }
}

TEST(CommandLine, TypedLookups)
{
    const Utils::CommandLine cl(L"x.exe -i=12abc -n=abc -big=99999999999 -neg=-7 -t=true -T=TRUE -d=0.25x "
                                L"-dn=abc -dinf=1e999 -dnan=nan -e=");
    EXPECT_EQ(cl.GetInt(L"-i"), 12);
    EXPECT_EQ(cl.GetInt(L"-n"), 0);
    EXPECT_EQ(cl.GetInt(L"-big"), 0);
    EXPECT_EQ(cl.GetInt(L"-neg"), -7);
    EXPECT_EQ(cl.GetInt(L"-missing"), 0);
    EXPECT_TRUE(cl.GetBool(L"-t"));
    EXPECT_FALSE(cl.GetBool(L"-T"));
    EXPECT_FALSE(cl.GetBool(L"-missing"));
    EXPECT_DOUBLE_EQ(cl.GetDouble(L"-d", 9.0), 0.25);
    EXPECT_DOUBLE_EQ(cl.GetDouble(L"-dn", 9.0), 9.0);
    EXPECT_DOUBLE_EQ(cl.GetDouble(L"-dinf", 9.0), 9.0);
    EXPECT_DOUBLE_EQ(cl.GetDouble(L"-dnan", 9.0), 9.0);
    EXPECT_DOUBLE_EQ(cl.GetDouble(L"-missing", 9.0), 9.0);
    EXPECT_TRUE(cl.Has(L"-e"));
    EXPECT_TRUE(cl.HasAssignment(L"-e"));
    EXPECT_TRUE(cl.Has(L"x.exe"));
    EXPECT_FALSE(cl.HasAssignment(L"x.exe"));
    EXPECT_EQ(cl.GetString(L"-e"), L"");
}

TEST(Text, ChineseRoundTripsThroughUtf8AndCodePage936)
{
    const std::wstring chinese = L"\u5b89\u88c5\u6210\u529f Melvane \u5fae\u8f6f\u96c5\u9ed1";
    const std::string utf8 = Utils::ToNarrow(chinese, Utils::kUtf8CodePage);
    EXPECT_EQ(utf8, "\xe5\xae\x89\xe8\xa3\x85\xe6\x88\x90\xe5\x8a\x9f Melvane \xe5\xbe\xae\xe8\xbd\xaf\xe9\x9b\x85\xe9\xbb\x91");
    EXPECT_EQ(Utils::ToWide(utf8, Utils::kUtf8CodePage), chinese);

    const std::string gbk = Utils::ToNarrow(chinese, 936);
    EXPECT_EQ(gbk.substr(0, 4), "\xb0\xb2\xd7\xb0");  // 安装 in GBK
    EXPECT_EQ(Utils::ToWide(gbk, 936), chinese);

    EXPECT_EQ(Utils::ToWide("", Utils::kUtf8CodePage), L"");
    EXPECT_EQ(Utils::ToNarrow(L"", Utils::kUtf8CodePage), "");
}

TEST(Text, TrimAndReplaceAll)
{
    EXPECT_EQ(Utils::TrimLeft(L" \t a b \r\n"), L"a b \r\n");
    EXPECT_EQ(Utils::TrimRight(L" \t a b \r\n"), L" \t a b");
    EXPECT_EQ(Utils::Trim(L" \t a b \r\n"), L"a b");
    EXPECT_EQ(Utils::Trim(L"   "), L"");
    EXPECT_EQ(Utils::ReplaceAll(L"/${ROUTE}/x/${ROUTE}", L"${ROUTE}", L"r"), L"/r/x/r");
    // The search resumes after the inserted text, so this terminates.
    EXPECT_EQ(Utils::ReplaceAll(L"aa", L"a", L"aa"), L"aaaa");
    EXPECT_EQ(Utils::ReplaceAll(L"abc", L"", L"x"), L"abc");
}

TEST(FileSystem, CreateDirectoriesBuildsNestedFoldersAndRefusesLongPaths)
{
    TempFolder temp(L"root");
    // Start from a folder that does not exist yet.
    const std::wstring root = temp.File(L"new");
    const std::wstring nested = root + L"\\a\\b\\c";
    EXPECT_FALSE(Utils::DirectoryExists(root));
    EXPECT_TRUE(Utils::CreateDirectories(nested));
    EXPECT_TRUE(Utils::DirectoryExists(root + L"\\a"));
    EXPECT_TRUE(Utils::DirectoryExists(nested));
    EXPECT_TRUE(Utils::CreateDirectories(nested + L"\\"));  // everything exists already

    std::wstring tooLong = root + L"\\";
    while (tooLong.size() <= 260) tooLong += L"x";
    EXPECT_FALSE(Utils::CreateDirectories(tooLong));
    EXPECT_FALSE(Utils::DirectoryExists(tooLong));

    // A file standing where a folder should be makes the creation fail.
    const std::wstring file = root + L"\\file";
    Utils::UniqueHandle h(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(h.Valid());
    h.Reset();
    EXPECT_FALSE(Utils::CreateDirectories(file + L"\\sub"));
}

TEST(SystemInfo, VersionNamesByNumbers)
{
    struct Case {
        unsigned major, minor, build;
        bool r2;
        const wchar_t* name;
    };
    const Case cases[] = {
        {0, 0, 0, false, L"XP-"},       {4, 9, 0, false, L"XP-"},       {5, 0, 2195, false, L"2K"},
        {5, 1, 2600, false, L"XP"},     {5, 2, 3790, false, L"Server 2003"},
        {5, 2, 3790, true, L"Server 2003 R2"},                          {5, 3, 0, false, L"XP+"},
        {6, 0, 6002, false, L"Vista"},  {6, 1, 7601, false, L"7"},       {6, 2, 9200, false, L"8"},
        {6, 3, 9600, false, L"8.1"},    {6, 4, 0, false, L"8.1+"},       {10, 0, 22000, false, L"10"},
        {10, 1, 0, false, L"10+"},      {11, 0, 22000, false, L"11.0.22000"},
        {7, 2, 5, false, L"7.2.5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utils::OsVersionName(c.major, c.minor, c.build, c.r2), c.name) << c.major << "." << c.minor;
    }
}

TEST(SystemInfo, RunningSystemAndGuids)
{
    std::wstring name, version;
    Utils::GetOsVersion(name, version);
    EXPECT_EQ(name, L"Windows");
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    ASSERT_NE(rtlGetVersion, nullptr);
    rtlGetVersion(&info);
    EXPECT_EQ(version, Utils::OsVersionName(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber & 0xFFFF,
                                            ::GetSystemMetrics(SM_SERVERR2) != 0));

    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    EXPECT_EQ(Utils::Is64BitSystem(), wow64 != FALSE);

    const GUID guid = {0x6B29FC40, 0xCA47, 0x10D8, {0x9D, 0x4A, 0x00, 0xC0, 0x4F, 0xD7, 0x09, 0x5A}};
    EXPECT_EQ(Utils::FormatGuid(guid), L"6B29FC40CA4710d89D4A00C04FD7095A");
    const std::wstring a = Utils::NewGuidString();
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of(L"0123456789ABCDEFabcdef"), std::wstring::npos);
    EXPECT_NE(a, Utils::NewGuidString());
}

TEST(SystemInfo, TempFolderIsCreatedOrEmptyWhenTempIsMissing)
{
    const std::wstring folder = Utils::GetTempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.substr(folder.size() - 29), L"\\~TavikTemp.92482B06FB471E17\\");
    EXPECT_TRUE(Utils::DirectoryExists(folder));
    EXPECT_EQ(Utils::GetTempFolder(), folder);

    wchar_t saved[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    ::SetEnvironmentVariableW(L"TMP", L"C:\\no-such-folder-for-melvane-tests");
    const std::wstring missing = Utils::GetTempFolder();
    ::SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);
    EXPECT_EQ(missing, L"");
}

TEST(SingleInstance, SecondProcessHoldsNothingUntilTheFirstExits)
{
    const std::wstring name = L"UtilsTest_" + Utils::NewGuidString();

    ChildProcess first;
    ASSERT_TRUE(first.Start(L"utils_probe.exe", L"hold " + name));
    ASSERT_EQ(first.ReadLine(), "1");

    Utils::SingleInstance mine(name);
    EXPECT_FALSE(mine.Acquire());
    EXPECT_FALSE(mine.Held());

    ChildProcess second;
    ASSERT_TRUE(second.Start(L"utils_probe.exe", L"hold " + name));
    EXPECT_EQ(second.ReadLine(), "0");
    second.CloseInput();
    EXPECT_EQ(second.Wait(), 0u);

    first.CloseInput();
    ASSERT_EQ(first.Wait(), 0u);
    EXPECT_TRUE(mine.Acquire());
    EXPECT_TRUE(mine.Held());

    ChildProcess third;
    ASSERT_TRUE(third.Start(L"utils_probe.exe", L"hold " + name));
    EXPECT_EQ(third.ReadLine(), "0");
    third.CloseInput();
    third.Wait();

    mine.Release();
    EXPECT_FALSE(mine.Held());
}

TEST(Thread, RunsOnceJoinsAndNeverHangs)
{
    std::atomic<int> calls{0};
    DWORD ranOn = 0;
    struct Arg {
        std::atomic<int>* calls;
        DWORD* ranOn;
    } arg{&calls, &ranOn};
    {
        Utils::Thread thread(&arg, L"worker", [](void* p) {
            auto* a = static_cast<Arg*>(p);
            *a->ranOn = ::GetCurrentThreadId();
            ::Sleep(50);
            ++*a->calls;
        });
        ASSERT_TRUE(thread.Created());
        const DWORD id = thread.Id();
        EXPECT_EQ(calls, 0);  // created suspended
        EXPECT_TRUE(thread.Resume());
        thread.Join();
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(ranOn, id);
        EXPECT_EQ(thread.Id(), static_cast<DWORD>(-1));
    }
    {
        // Destroyed before being resumed: the function never runs.
        Utils::Thread never(&arg, L"never", [](void* p) { ++*static_cast<Arg*>(p)->calls; });
    }
    EXPECT_EQ(calls, 1);

    // A join from the thread itself returns instead of waiting forever.
    Utils::Thread* self = nullptr;
    self = new Utils::Thread(&self, L"self", [](void* p) { (*static_cast<Utils::Thread**>(p))->Join(); });
    self->Resume();
    const DWORD deadline = ::GetTickCount() + 10000;
    while (self->Id() != static_cast<DWORD>(-1) && ::GetTickCount() < deadline) ::Sleep(10);
    EXPECT_EQ(self->Id(), static_cast<DWORD>(-1));
    delete self;
}

TEST(Misc, PipeStopwatchAndException)
{
    Utils::Pipe pipe;
    DWORD written = 0, read = 0;
    ASSERT_TRUE(::WriteFile(pipe.WriteEnd(), "ok", 2, &written, nullptr));
    char buffer[4] = {};
    ASSERT_TRUE(::ReadFile(pipe.ReadEnd(), buffer, 2, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "ok");
    DWORD flags = 0;
    ::GetHandleInformation(pipe.ReadEnd(), &flags);
    EXPECT_TRUE(flags & HANDLE_FLAG_INHERIT);

    Utils::Stopwatch watch;
    EXPECT_EQ(watch.Elapsed(), 0.0f);
    watch.Start();
    ::Sleep(30);
    EXPECT_GT(watch.Elapsed(), 0.0f);

    EXPECT_STREQ(Utils::Exception().what(), "Unknown exception");
    EXPECT_STREQ(Utils::Exception("boom").what(), "boom");
}

} // namespace
