#include "PartJoiner.h"

#include "Utils/Trace.h"

#include <windows.h>

#include <algorithm>

namespace {
constexpr DWORD kBlockBytes = 1024 * 1024;
} // namespace

PartJoiner::PartJoiner(const Parts& parts, const StopSignal& stop)
    : parts_(parts), stop_(stop), block_(kBlockBytes)
{
}

bool PartJoiner::Advance()
{
    while (current_ < parts_.size()) {
        const CMTCurlDownloader::DownloadPartNode& part = *parts_[current_];
        const int64_t available = part.downloaded - taken_;
        if (available > 0) {
            if (!TakeIn(available)) return false;
            continue;
        }
        if (taken_ < part.size) return true;

        // This part is in; the next one is appended to part 0's file.
        TRACE(L"partPath::%ls\r\n", part.partPath.c_str());
        reader_.Reset();
        ++current_;
        taken_ = 0;
        if (current_ == 1 && current_ < parts_.size()) {
            // Part 0's thread may not have closed its handle yet.
            joined_.Reset(::CreateFileW(parts_[0]->partPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            LARGE_INTEGER end{};
            if (!joined_ || !::SetFilePointerEx(joined_.Get(), end, nullptr, FILE_END)) return false;
        }
    }
    return true;
}

bool PartJoiner::TakeIn(int64_t bytes)
{
    if (!reader_) {
        // The part's thread may still be writing to the file.
        reader_.Reset(::CreateFileW(parts_[current_]->partPath.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!reader_) return false;
    }
    while (bytes > 0) {
        if (stop_.IsSet()) return false;
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(std::min<int64_t>(bytes, kBlockBytes));
        if (!::ReadFile(reader_.Get(), block_.data(), want, &read, nullptr) || read == 0) return false;
        DWORD written = 0;
        if (joined_ && (!::WriteFile(joined_.Get(), block_.data(), read, &written, nullptr) || written != read)) {
            return false;
        }
        md5_.Update(block_.data(), read);
        taken_ += read;
        bytes -= read;
    }
    return true;
}

bool PartJoiner::MoveTo(const std::wstring& target)
{
    reader_.Reset();
    joined_.Reset();
    if (!::MoveFileExW(parts_[0]->partPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        TRACE(L"rename failed:%lu\r\n", ::GetLastError());
        return false;
    }
    for (size_t i = 1; i < parts_.size(); ++i) ::DeleteFileW(parts_[i]->partPath.c_str());
    return true;
}

void PartJoiner::Undo()
{
    reader_.Reset();
    if (!joined_) return;
    LARGE_INTEGER size{};
    size.QuadPart = parts_[0]->size;
    const bool cut = ::SetFilePointerEx(joined_.Get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(joined_.Get());
    joined_.Reset();
    if (!cut) ::DeleteFileW(parts_[0]->partPath.c_str());
}
