#include "SkinUI/SkinArchive.h"

#include "ArchiveReaders.h"
#include "FileReading.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace SkinUI {

namespace {
// Skin archives live in memory whole; anything near the address space is refused.
constexpr std::size_t kMaxArchiveFileSize = 512u * 1024 * 1024;
} // namespace

bool SkinArchive::Open(Format format, const void* bytes, std::size_t size)
{
    entries_.clear();
    if (bytes == nullptr || size == 0) return false;
    std::vector<Entry> entries;
    try {
        const bool ok = format == Format::SevenZip ? detail::Read7z(bytes, size, entries)
                                                   : detail::ReadZip(bytes, size, entries);
        if (!ok) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    entries_ = std::move(entries);
    return true;
}

bool SkinArchive::OpenFile(Format format, const std::wstring& path)
{
    entries_.clear();
    std::vector<std::uint8_t> bytes;
    if (detail::ReadWholeFile(path, kMaxArchiveFileSize, bytes) != SkinReadStatus::Ok) return false;
    return Open(format, bytes.data(), bytes.size());
}

std::optional<std::size_t> SkinArchive::Find(const std::wstring& name) const
{
    std::wstring wanted = name;
    std::replace(wanted.begin(), wanted.end(), L'\\', L'/');
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const std::wstring& entryName = entries_[i].name;
        if (entryName.size() == wanted.size() && ::lstrcmpiW(entryName.c_str(), wanted.c_str()) == 0) return i;
    }
    return std::nullopt;
}

} // namespace SkinUI
