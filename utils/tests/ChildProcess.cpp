#include "ChildProcess.h"

#include "Utils/FileSystem.h"
#include "Utils/Pipe.h"

std::wstring TestFolder()
{
    return Utils::ModuleFolder();
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& args, DWORD flags)
{
    Utils::Pipe in;
    Utils::Pipe out;
    // Only the child's ends may be inherited.
    ::SetHandleInformation(in.WriteEnd(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(out.ReadEnd(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.ReadEnd();
    si.hStdOutput = out.WriteEnd();
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    std::wstring commandLine = L"\"" + TestFolder() + L"\\" + exe + L"\" " + args;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si, &pi)) {
        return false;
    }
    Utils::UniqueHandle thread(pi.hThread);
    process_.Reset(pi.hProcess);
    id_ = pi.dwProcessId;
    // The pipe objects close all four ends on return; the parent keeps
    // duplicates of its two.
    HANDLE self = ::GetCurrentProcess();
    ::DuplicateHandle(self, in.WriteEnd(), self, input_.Put(), 0, FALSE, DUPLICATE_SAME_ACCESS);
    ::DuplicateHandle(self, out.ReadEnd(), self, output_.Put(), 0, FALSE, DUPLICATE_SAME_ACCESS);
    return true;
}

std::string ChildProcess::ReadLine()
{
    std::string line;
    char c = 0;
    DWORD read = 0;
    while (::ReadFile(output_.Get(), &c, 1, &read, nullptr) && read == 1) {
        if (c == '\n') break;
        if (c != '\r') line += c;
    }
    return line;
}

DWORD ChildProcess::Wait(DWORD ms)
{
    if (::WaitForSingleObject(process_.Get(), ms) != WAIT_OBJECT_0) return static_cast<DWORD>(-1);
    DWORD code = 0;
    ::GetExitCodeProcess(process_.Get(), &code);
    return code;
}
