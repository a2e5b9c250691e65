#include "FileReading.h"

#include "Utils/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace SkinUI::detail {

SkinReadStatus ReadWholeFile(const std::wstring& path, std::size_t maxSize, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    Utils::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return SkinReadStatus::OpenFailed;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) return SkinReadStatus::ReadFailed;
    if (size.QuadPart == 0) return SkinReadStatus::Empty;
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize) return SkinReadStatus::TooLarge;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return SkinReadStatus::ReadFailed;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::ReadFile(file.Get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) {
            bytes.clear();
            return SkinReadStatus::ReadFailed;
        }
        done += read;
    }
    return SkinReadStatus::Ok;
}

} // namespace SkinUI::detail
