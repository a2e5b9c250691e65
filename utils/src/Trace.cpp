#include "Utils/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void TraceLine(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list counting;
    va_copy(counting, args);
    const int length = _vscwprintf(format, counting);
    va_end(counting);
    if (length < 0) {
        va_end(args);
        return;
    }
    const size_t size = static_cast<size_t>(length) + 2;
    auto* buffer = static_cast<wchar_t*>(std::malloc(size * sizeof(wchar_t)));
    if (!buffer) {
        va_end(args);
        return;
    }
    _vsnwprintf(buffer, size - 1, format, args);
    buffer[size - 1] = L'\0';
    va_end(args);
    ::OutputDebugStringW(buffer);
    std::free(buffer);
}

namespace Utils {

std::wstring TraceTag(const char* prettyFunction)
{
    std::string text = prettyFunction;
    // The name ends at the parameter list that belongs to the outermost
    // function: the first '(' not inside template brackets.
    int depth = 0;
    size_t end = text.size();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<') ++depth;
        else if (text[i] == '>') --depth;
        else if (text[i] == '(' && depth == 0) {
            end = i;
            break;
        }
    }
    depth = 0;
    size_t begin = 0;
    for (size_t i = end; i-- > 0;) {
        if (text[i] == '>') ++depth;
        else if (text[i] == '<') --depth;
        else if (text[i] == ' ' && depth == 0) {
            begin = i + 1;
            break;
        }
    }
    std::string name = text.substr(begin, end - begin);
    // Names in anonymous namespaces read as the plain function name.
    const std::string anonymous = "{anonymous}::";
    for (size_t pos = name.find(anonymous); pos != std::string::npos; pos = name.find(anonymous, pos)) {
        name.erase(pos, anonymous.size());
    }
    return std::wstring(name.begin(), name.end());
}

} // namespace Utils
