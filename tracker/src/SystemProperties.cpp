#include "tracker/SystemProperties.h"

#include <windows.h>

namespace tavik::tracking {

namespace {

using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

template <typename Fn>
Fn LookUp(const wchar_t* module, const char* name)
{
    HMODULE handle = ::GetModuleHandleW(module);
    if (!handle) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(handle, name)));
}

std::string Numbers(const WindowsVersion& version)
{
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.build);
}

std::string LocaleText(LCTYPE type)
{
    char buffer[16] = {};
    return ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof(buffer)) > 0 ? buffer : "";
}

} // namespace

WindowsVersion ReadWindowsVersion()
{
    WindowsVersion version;
    if (auto numbers = LookUp<RtlGetNtVersionNumbersFn>(L"ntdll.dll", "RtlGetNtVersionNumbers")) {
        DWORD major = 0, minor = 0, build = 0;
        numbers(&major, &minor, &build);
        version.known = true;
        version.major = major;
        version.minor = minor;
        version.build = build & 0xFFFF;
    }
    return version;
}

bool IsWindows64Bit()
{
    if (auto isWow64 = LookUp<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process")) {
        BOOL wow64 = FALSE;
        if (isWow64(::GetCurrentProcess(), &wow64)) return wow64 != FALSE;
    }
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::string WindowsVersionName(const WindowsVersion& version, bool is64Bit, bool serverR2)
{
    if (!version.known) return "XP-";
    const unsigned minor = version.minor;
    switch (version.major) {
    case 5:
        if (minor == 0) return "2K";
        if (minor == 1) return "XP";
        if (minor == 2) return is64Bit ? "XP64" : serverR2 ? "Server 2003 R2" : "Server 2003";
        return "XP+";
    case 6:
        if (minor == 0) return is64Bit ? "Vista64" : "Vista";
        if (minor == 1) return is64Bit ? "7" : "7-32";
        if (minor == 2) return is64Bit ? "8" : "8-32";
        if (minor == 3) return "8.1";
        return "8.1+";
    case 10:
        if (minor == 0) return version.build < 22000 ? "10" : "11";
        return "11+";
    default:
        return version.major > 4 ? Numbers(version) : "XP-";
    }
}

std::string CurrentWindowsVersionName()
{
    return WindowsVersionName(ReadWindowsVersion(), IsWindows64Bit(), ::GetSystemMetrics(SM_SERVERR2) != 0);
}

std::string UserAgent(const std::string& osVersionName, bool is64Bit)
{
    return "Mozilla/5.0(Windows " + osVersionName + "; Win" + (is64Bit ? "64;)" : "32;)");
}

LocaleProperties ResolveLocale(const std::string& localeOverride)
{
    const size_t underscore = localeOverride.find('_');
    if (underscore != std::string::npos && underscore > 0) {
        return {localeOverride, localeOverride.substr(0, underscore), localeOverride.substr(underscore + 1)};
    }
    const std::string language = LocaleText(LOCALE_SISO639LANGNAME);
    const std::string country = LocaleText(LOCALE_SISO3166CTRYNAME);
    if (language.empty() || country.empty()) return {};
    return {language + "_" + country, language, country};
}

ScreenSize PrimaryScreenSize()
{
    return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace tavik::tracking
