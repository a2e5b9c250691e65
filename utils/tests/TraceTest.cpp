#include "ChildProcess.h"

#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

namespace {

struct DebugRun {
    std::vector<std::wstring> lines;
    std::vector<std::pair<DWORD, std::string>> threadNames;  // (thread id, name)
    std::string stdoutLine;
    DWORD exitCode = 0;
};

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info)
{
    const size_t charSize = info.fUnicode ? 2 : 1;
    std::vector<char> bytes(static_cast<size_t>(info.nDebugStringLength) * charSize);
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &read)) return {};
    if (info.fUnicode) {
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), read / 2);
        return text.substr(0, text.find(L'\0'));
    }
    std::string text(bytes.data(), read);
    return Utils::ToWide(text.substr(0, text.find('\0')), CP_ACP);
}

std::string ReadName(HANDLE process, ULONG_PTR address)
{
    std::string name;
    char c = 0;
    SIZE_T read = 0;
    while (name.size() < 256 &&
           ::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address + name.size()), &c, 1, &read) && c) {
        name += c;
    }
    return name;
}

// Runs the probe under the Win32 debugging API, as a debugger would.
DebugRun RunUnderDebugger()
{
    DebugRun run;
    ChildProcess probe;
    EXPECT_TRUE(probe.Start(L"utils_probe.exe", L"trace", DEBUG_ONLY_THIS_PROCESS));
    bool done = false;
    while (!done) {
        DEBUG_EVENT event{};
        if (!::WaitForDebugEvent(&event, 30000)) {
            ADD_FAILURE() << "no debug event";
            break;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT:
            run.lines.push_back(ReadDebugString(probe.Process(), event.u.DebugString));
            break;
        case EXCEPTION_DEBUG_EVENT: {
            const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
            if (record.ExceptionCode == 0x406D1388 && record.NumberParameters >= 3 &&
                record.ExceptionInformation[0] == 0x1000) {
                run.threadNames.emplace_back(static_cast<DWORD>(record.ExceptionInformation[2]),
                                             ReadName(probe.Process(), record.ExceptionInformation[1]));
            } else if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        }
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            run.exitCode = event.u.ExitProcess.dwExitCode;
            done = true;
            break;
        default:
            break;
        }
        ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    run.stdoutLine = probe.ReadLine();
    return run;
}

TEST(Trace, LinesAndThreadNamesReachTheDebugger)
{
    const DebugRun run = RunUnderDebugger();
    EXPECT_EQ(run.exitCode, 0u);

    // A line written through the macro: real ids, local time, tag and line.
    const std::wregex traced(LR"(<P(\d{5,})><T(\d{5,})><(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3})>)"
                             LR"(\(EmitTrace\)<(\d{4,})>: probe line 42\r\n)");
    bool sawTraced = false;
    for (const auto& line : run.lines) {
        std::wsmatch m;
        if (std::regex_match(line, m, traced)) {
            sawTraced = true;
            SYSTEMTIME now{};
            ::GetLocalTime(&now);
            EXPECT_EQ(std::stoi(m[3].str()), now.wYear);
        }
    }
    EXPECT_TRUE(sawTraced);

    // Widths are minimums: a seven-digit id is printed whole; percent signs in
    // an argument pass through.
    EXPECT_NE(std::find(run.lines.begin(), run.lines.end(),
                        L"<P1234567><T00042><2026-01-02 03:04:05.006>(Tag::Fn)<0007>: 100% done\r\n"),
              run.lines.end());

    // Worker threads trace their begin and end under the thread entry's tag.
    int begins = 0, ends = 0;
    for (const auto& line : run.lines) {
        if (line.find(L"(Utils::Thread::CallBack)") != std::wstring::npos) {
            begins += line.find(L": THREAD BEGIN\r\n") != std::wstring::npos;
            ends += line.find(L": THREAD END\r\n") != std::wstring::npos;
        }
    }
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(ends, 2);

    // Thread names: "ABDEF" as given, the unnamed one as "t" + its id.
    ASSERT_EQ(run.threadNames.size(), 2u);
    EXPECT_EQ(run.threadNames[0].second, "ABDEF");
    const DWORD unnamedId = static_cast<DWORD>(std::stoul(run.stdoutLine.substr(run.stdoutLine.find('=') + 1)));
    EXPECT_EQ(run.threadNames[1].second, "t" + std::to_string(unnamedId));
    EXPECT_EQ(run.threadNames[1].first, unnamedId);
}

} // namespace
