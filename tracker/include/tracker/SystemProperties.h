#pragma once

#include <string>

// What the tracker tells about the machine: Windows version, user agent,
// locale and screen.
namespace tavik::tracking {

struct WindowsVersion {
    bool known = false;  // false when the system would not tell
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;  // lower 16 bits
};

WindowsVersion ReadWindowsVersion();
// A WOW64 process, or, where that cannot be asked, an x64 or Itanium processor.
bool IsWindows64Bit();

// The `$os_version` name for a version; serverR2 is the SM_SERVERR2 metric.
std::string WindowsVersionName(const WindowsVersion& version, bool is64Bit, bool serverR2);
// The name of the running system.
std::string CurrentWindowsVersionName();

// "Mozilla/5.0(Windows <name>; Win64;)" or "...; Win32;)".
std::string UserAgent(const std::string& osVersionName, bool is64Bit);

struct LocaleProperties {
    std::string locale;    // language_country, as zh_CN
    std::string language;
    std::string country;
};

// From an override "language_country" when it has a language part, else from
// the user's default locale; all empty when the system cannot tell both.
LocaleProperties ResolveLocale(const std::string& localeOverride);

struct ScreenSize {
    int width = 0;
    int height = 0;
};
ScreenSize PrimaryScreenSize();

} // namespace tavik::tracking
