#pragma once

#include <windows.h>

#include <string>

// Formats one diagnostic line and writes it with OutputDebugStringW. The
// format is the whole line: prefix format followed by the message format.
void TraceLine(const wchar_t* format, ...);

namespace Utils {
// "void Ns::Class::Method(int)" -> "Ns::Class::Method": the tag of a trace line.
std::wstring TraceTag(const char* prettyFunction);
} // namespace Utils

#define MELVANE_TRACE_PREFIX L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%ls)<%04d>: "

// TRACE(L"message %d\r\n", value): the message format must be a wide literal;
// text that may contain '%' goes in as an argument (L"%ls").
#define TRACE(fmt, ...)                                                                           \
    do {                                                                                          \
        SYSTEMTIME traceTime_;                                                                    \
        ::GetLocalTime(&traceTime_);                                                              \
        ::TraceLine(MELVANE_TRACE_PREFIX fmt, static_cast<int>(::GetCurrentProcessId()),          \
                    static_cast<int>(::GetCurrentThreadId()), traceTime_.wYear, traceTime_.wMonth, \
                    traceTime_.wDay, traceTime_.wHour, traceTime_.wMinute, traceTime_.wSecond,    \
                    traceTime_.wMilliseconds, ::Utils::TraceTag(__PRETTY_FUNCTION__).c_str(),     \
                    static_cast<int>(__LINE__), ##__VA_ARGS__);                                   \
    } while (0)
