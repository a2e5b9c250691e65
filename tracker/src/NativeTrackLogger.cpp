#include "tracker/NativeTrackLogger.h"

#include "tracker/TextEncoding.h"

#include <sstream>

namespace tavik::tracking {

NativeTrackLogger::NativeTrackLogger(const std::string& path)
    : path_(path),
      file_(::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

std::vector<std::string> NativeTrackLogger::ReadEntries()
{
    std::lock_guard<std::mutex> lock(lock_);
    std::string text;
    if (file_ && ::SetFilePointer(file_.Get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        char buffer[4096];
        DWORD read = 0;
        while (::ReadFile(file_.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
    }
    std::vector<std::string> entries;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) entries.push_back(line);
    }
    return entries;
}

void NativeTrackLogger::Clear()
{
    std::lock_guard<std::mutex> lock(lock_);
    if (file_ && ::SetFilePointer(file_.Get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        ::SetEndOfFile(file_.Get());
    }
}

} // namespace tavik::tracking
