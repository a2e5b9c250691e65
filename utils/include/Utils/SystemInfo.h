#pragma once

#include <windows.h>

#include <string>

namespace Utils {

// osName is always "Windows"; osVersion the short name of the running system.
void GetOsVersion(std::wstring& osName, std::wstring& osVersion);
// The short name for a version triple; serverR2 is the SM_SERVERR2 metric.
std::wstring OsVersionName(unsigned major, unsigned minor, unsigned build, bool serverR2);

// Whether this 32-bit process runs on a 64-bit system.
bool Is64BitSystem();

// 32 hexadecimal digits, the third group in lower case.
std::wstring NewGuidString();
std::wstring FormatGuid(const GUID& guid);

// "%TEMP%\~TavikTemp.92482B06FB471E17\", created one level deep when missing;
// "" when it cannot be created.
std::wstring GetTempFolder();

} // namespace Utils
