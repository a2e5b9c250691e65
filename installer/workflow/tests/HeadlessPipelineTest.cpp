#include "ChildProcess.h"
#include "CInstallRecords.h"
#include "DlServer.h"
#include "TempFolder.h"
#include "Utils/FileSystem.h"
#include "Utils/SystemInfo.h"
#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Outcome {
    std::vector<std::string> lines;
    DWORD exitCode = 0;

    bool Has(const std::string& prefix) const
    {
        for (const auto& line : lines) {
            if (line.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }
};

// Runs the headless pipeline as its own process and collects what it prints.
Outcome RunHeadless(const std::wstring& url, const std::wstring& folder)
{
    Outcome outcome;
    ChildProcess child;
    EXPECT_TRUE(child.Start(L"melvane_headless.exe", L"\"-downloadurl=" + url + L"\" \"-instdir=" + folder + L"\""));
    child.CloseInput();
    for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine()) outcome.lines.push_back(line);
    outcome.exitCode = child.Wait(120000);
    return outcome;
}

std::wstring RegistryValue(const wchar_t* name)
{
    wchar_t buffer[512] = {};
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, CInstallRecords::kRegistryKey, name, RRF_RT_REG_SZ, nullptr, buffer,
                       &bytes) != ERROR_SUCCESS) {
        return {};
    }
    return buffer;
}

TEST(HeadlessPipeline, InstallsThenUpdatesThroughTheRecordsAndFailsWithNonZero)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, CInstallRecords::kRegistryKey);
    const std::string id = Utils::ToNarrow(Utils::NewGuidString(), CP_UTF8);
    const std::string file = "headless-" + id + ".exe";
    ASSERT_TRUE(::CopyFileW((Utils::ModuleFolder() + L"\\sample-package.exe").c_str(),
                            (DlServer::Root() + L"\\" + Utils::ToWide(file, CP_UTF8)).c_str(), FALSE));
    DlServer::SetProduct(id, file);
    const std::wstring url = Utils::ToWide(DlServer::Base() + "/software/" + id, CP_UTF8);
    TempFolder parent(L"Apps");
    const std::wstring product = parent.File(L"Melvane");

    // First run: a clean machine.
    Outcome first = RunHeadless(url, parent.Path());
    EXPECT_EQ(first.exitCode, 0u) << ::testing::PrintToString(first.lines);
    EXPECT_TRUE(first.Has("1001 "));
    EXPECT_FALSE(first.Has("5002 "));
    EXPECT_TRUE(first.Has("2003 0 "));
    EXPECT_TRUE(Utils::FileExists(product + L"\\Melvane.exe"));
    EXPECT_EQ(RegistryValue(L"InstallPath"), product);
    EXPECT_EQ(RegistryValue(L"UnInstallEp"), product + L"\\uninst.ep");

    // Second run: the records name the old version, which is removed first.
    Outcome second = RunHeadless(url, parent.Path());
    EXPECT_EQ(second.exitCode, 0u) << ::testing::PrintToString(second.lines);
    EXPECT_TRUE(second.Has("5003 "));
    EXPECT_TRUE(second.Has("2003 0 "));
    EXPECT_TRUE(Utils::FileExists(product + L"\\Melvane.exe"));

    // A package that cannot be had ends the chain in 1004 and a failure exit.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, CInstallRecords::kRegistryKey);
    Outcome failed = RunHeadless(Utils::ToWide(DlServer::Base() + "/missing-" + id + ".exe", CP_UTF8), parent.Path());
    EXPECT_NE(failed.exitCode, 0u);
    EXPECT_TRUE(failed.Has("1004 "));
}

} // namespace
