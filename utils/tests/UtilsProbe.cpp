// Helper process for the utility tests: the other side of the single-instance
// and the debugger-output tests.
#include "Utils/SingleInstance.h"
#include "Utils/Thread.h"
#include "Utils/Trace.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int HoldGuard(const std::wstring& name)
{
    Utils::SingleInstance guard(name);
    std::printf("%d\n", guard.Acquire() ? 1 : 0);
    std::fflush(stdout);
    // Keep the guard until the parent closes our standard input.
    char buffer[64];
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    }
    return 0;
}

int EmitTrace()
{
    TRACE(L"probe line %d\r\n", 42);
    TraceLine(MELVANE_TRACE_PREFIX L"%ls\r\n", 1234567, 42, 2026, 1, 2, 3, 4, 5, 6, L"Tag::Fn", 7, L"100% done");
    int ran = 0;
    {
        Utils::Thread named(&ran, L"ABDEF", [](void* arg) { ++*static_cast<int*>(arg); });
        named.Resume();
    }
    {
        Utils::Thread unnamed(&ran, L"", [](void* arg) { ++*static_cast<int*>(arg); });
        std::printf("unnamed=%lu\n", static_cast<unsigned long>(unnamed.Id()));
        std::fflush(stdout);
        unnamed.Resume();
    }
    return ran == 2 ? 0 : 3;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"hold" && argc > 2) return HoldGuard(argv[2]);
    if (mode == L"trace") return EmitTrace();
    return 2;
}
