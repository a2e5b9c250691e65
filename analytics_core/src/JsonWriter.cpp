#include "JsonWriter.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <locale>
#include <sstream>

namespace analytics_core::utils {

void AppendEscaped(std::string& out, const std::string& text)
{
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\u%04x", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
}

std::string FormatNumber(double value)
{
    if (!std::isfinite(value)) return "null";
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << value;
    return stream.str();
}

std::string FormatDateTime(int64_t seconds, int milliseconds)
{
    // FILETIME counts 100 ns steps from 1601; its conversions cover the
    // years 1601 to 30827, so seconds are kept inside that range.
    constexpr int64_t kEpochOffset = 11644473600;
    constexpr int64_t kLastSecond = 910692730085;
    int64_t since1601 = seconds + kEpochOffset;
    if (since1601 < 0) since1601 = 0;
    if (since1601 > kLastSecond) since1601 = kLastSecond;
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>(since1601) * 10000000ULL;
    FILETIME utcFile{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    ::FileTimeToSystemTime(&utcFile, &utc);
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
    char text[40];
    std::snprintf(text, sizeof(text), "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", local.wYear, local.wMonth,
                  local.wDay, local.wHour, local.wMinute, local.wSecond, milliseconds);
    return text;
}

} // namespace analytics_core::utils
