#include "Utils/Process.h"

#include "Utils/UniqueHandle.h"

#include <windows.h>
#include <tlhelp32.h>

namespace Utils {

bool IsProcessRunning(const std::wstring& exeName)
{
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, exeName.c_str()) == 0) return true;
    }
    return false;
}

} // namespace Utils
