#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace SkinUI {

// A skin archive held wholly in memory: every file entry is unpacked when
// the archive is opened, so a lookup is a list search and a read a copy.
class SkinArchive {
public:
    enum class Format { SevenZip, Zip };

    struct Entry {
        std::uint32_t index = 0;         // position in the archive
        std::wstring name;               // as stored, "/" between folders
        std::uint64_t size = 0;          // unpacked size
        std::vector<std::uint8_t> data;
        bool unpacked = false;           // false when the data failed to unpack
    };

    // false when the bytes are not an archive of that format.
    bool Open(Format format, const void* bytes, std::size_t size);
    bool OpenFile(Format format, const std::wstring& path);

    // The first entry of that name in archive order; "\" and "/" are alike
    // and letter case is ignored.
    std::optional<std::size_t> Find(const std::wstring& name) const;
    const Entry& GetEntry(std::size_t index) const { return entries_[index]; }
    std::size_t GetEntryCount() const { return entries_.size(); }

private:
    std::vector<Entry> entries_;
};

} // namespace SkinUI
