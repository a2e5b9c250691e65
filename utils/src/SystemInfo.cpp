#include "Utils/SystemInfo.h"

#include <objbase.h>

#include <cstdio>

namespace Utils {

namespace {
using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

template <typename Fn>
Fn LookUp(HMODULE module, const char* name)
{
    // GetProcAddress returns a generic pointer; the cast through void* keeps
    // the function-type conversion explicit and warning-free.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
} // namespace

std::wstring OsVersionName(unsigned major, unsigned minor, unsigned build, bool serverR2)
{
    switch (major) {
    case 0: case 1: case 2: case 3: case 4:
        return L"XP-";
    case 5:
        if (minor == 0) return L"2K";
        if (minor == 1) return L"XP";
        if (minor == 2) return serverR2 ? L"Server 2003 R2" : L"Server 2003";
        return L"XP+";
    case 6:
        if (minor == 0) return L"Vista";
        if (minor == 1) return L"7";
        if (minor == 2) return L"8";
        if (minor == 3) return L"8.1";
        return L"8.1+";
    case 10:
        return minor == 0 ? L"10" : L"10+";
    default:
        return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
    }
}

void GetOsVersion(std::wstring& osName, std::wstring& osVersion)
{
    osName = L"Windows";
    HMODULE ntdll = ::LoadLibraryW(L"ntdll.dll");
    if (!ntdll) {
        osVersion = L"XP-";
        return;
    }
    DWORD major = 0, minor = 0, build = 0;
    if (auto fn = LookUp<RtlGetNtVersionNumbersFn>(ntdll, "RtlGetNtVersionNumbers")) {
        fn(&major, &minor, &build);
        build &= 0xFFFF;
    }
    ::FreeLibrary(ntdll);
    osVersion = OsVersionName(major, minor, build, ::GetSystemMetrics(SM_SERVERR2) != 0);
}

bool Is64BitSystem()
{
    auto isWow64 = LookUp<IsWow64ProcessFn>(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
    if (!isWow64) return false;
    BOOL wow64 = FALSE;
    if (isWow64(::GetCurrentProcess(), &wow64)) return wow64 != FALSE;
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::wstring FormatGuid(const GUID& g)
{
    wchar_t text[40] = {};
    std::swprintf(text, 40, L"%08lX%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::wstring NewGuidString()
{
    GUID guid{};
    if (FAILED(::CoCreateGuid(&guid))) return {};
    return FormatGuid(guid);
}

std::wstring GetTempFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return {};
    std::wstring path = std::wstring(temp, length) + L"~TavikTemp.92482B06FB471E17\\";
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
    return ::CreateDirectoryW(path.c_str(), nullptr) ? path : std::wstring();
}

} // namespace Utils
