#include "analytics_core/StagingFile.h"

#include "Diagnostics.h"

#include "Utils/Text.h"
#include "Utils/UniqueHandle.h"

#include <windows.h>

namespace analytics_core {

namespace {

void ReportFailure(const char* what, const std::wstring& path)
{
    const DWORD error = ::GetLastError();
    PrintError(std::string("Analytics SDK could not ") + what + " the staged records " +
               Utils::ToNarrow(path, Utils::kUtf8CodePage) + " (error " + std::to_string(error) + ")");
}

bool ReadWholeFile(const std::wstring& path, std::string& content)
{
    Utils::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& content)
{
    Utils::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size() && ::FlushFileBuffers(file.Get());
}

} // namespace

std::deque<std::string> StagingFile::Load(size_t room) const
{
    std::deque<std::string> records;
    std::string content;
    if (path_.empty() || room == 0 || !ReadWholeFile(path_, content)) return records;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '{' && line.back() == '}') {
            records.push_back(std::move(line));
            if (records.size() > room) records.pop_front();
        }
        start = end + 1;
    }
    return records;
}

bool StagingFile::Replace(const std::deque<std::string>& records) const
{
    if (path_.empty()) return true;
    if (records.empty()) {
        if (::DeleteFileW(path_.c_str())) return true;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        ReportFailure("remove", path_);
        return false;
    }
    std::string content;
    for (const std::string& record : records) {
        content += record;
        content += '\n';
    }
    const std::wstring temporary = path_ + L".tmp";
    if (!WriteWholeFile(temporary, content)) {
        ReportFailure("write", path_);
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    if (!::MoveFileExW(temporary.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ReportFailure("replace", path_);
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace analytics_core
