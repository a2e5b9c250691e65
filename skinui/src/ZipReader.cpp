#include "ArchiveReaders.h"

#include <windows.h>

#include <zlib.h>

#include <climits>
#include <cstring>

namespace SkinUI::detail {

namespace {

constexpr std::uint32_t kEndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t kDirectoryEntrySignature = 0x02014b50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::size_t kEndOfDirectorySize = 22;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagUtf8Name = 0x0800;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

std::uint16_t Le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::wstring DecodeName(const std::uint8_t* name, std::size_t length, bool utf8)
{
    const UINT codePage = utf8 ? CP_UTF8 : 437;
    const auto source = reinterpret_cast<const char*>(name);
    const int units = ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(length), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(length), text.data(), units);
    return text;
}

bool Inflate(const std::uint8_t* packed, std::size_t packedSize, std::vector<std::uint8_t>& out)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(packed);
    stream.avail_in = static_cast<uInt>(packedSize);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool ok = (result == Z_STREAM_END || (result == Z_BUF_ERROR && out.empty())) &&
                    stream.total_out == out.size();
    inflateEnd(&stream);
    return ok;
}

// Unpacks one entry given its central directory record.
bool Unpack(const std::uint8_t* data, std::size_t size, const std::uint8_t* record, std::vector<std::uint8_t>& out)
{
    const std::uint16_t flags = Le16(record + 8);
    const std::uint16_t method = Le16(record + 10);
    const std::uint32_t crc = Le32(record + 16);
    const std::uint32_t packedSize = Le32(record + 20);
    const std::uint32_t unpackedSize = Le32(record + 24);
    const std::uint32_t headerOffset = Le32(record + 42);
    if ((flags & kFlagEncrypted) != 0 || headerOffset > size || size - headerOffset < kLocalHeaderSize) return false;
    const std::uint8_t* header = data + headerOffset;
    if (Le32(header) != kLocalHeaderSignature) return false;
    const std::size_t dataOffset = headerOffset + kLocalHeaderSize + Le16(header + 26) + Le16(header + 28);
    if (dataOffset > size || size - dataOffset < packedSize) return false;
    const std::uint8_t* packed = data + dataOffset;

    out.resize(unpackedSize);
    if (method == kMethodStored) {
        if (packedSize != unpackedSize) return false;
        if (unpackedSize != 0) std::memcpy(out.data(), packed, unpackedSize);
    } else if (method != kMethodDeflated || !Inflate(packed, packedSize, out)) {
        return false;
    }
    return crc32(0, out.data(), static_cast<uInt>(out.size())) == crc;
}

} // namespace

bool ReadZip(const void* bytes, std::size_t size, std::vector<SkinArchive::Entry>& entries)
{
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    if (size < kEndOfDirectorySize || size > UINT_MAX) return false;

    // The end record sits at the very end unless an archive comment follows it.
    std::size_t end = size - kEndOfDirectorySize;
    const std::size_t lowest = end > 0xFFFF ? end - 0xFFFF : 0;
    while (Le32(data + end) != kEndOfDirectorySignature) {
        if (end == lowest) return false;
        --end;
    }
    const std::uint16_t count = Le16(data + end + 10);
    const std::uint32_t directorySize = Le32(data + end + 12);
    const std::uint32_t directoryOffset = Le32(data + end + 16);
    if (directoryOffset > end || end - directoryOffset < directorySize) return false;

    const std::uint8_t* record = data + directoryOffset;
    const std::uint8_t* const directoryEnd = record + directorySize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (directoryEnd - record < static_cast<std::ptrdiff_t>(kDirectoryEntrySize) ||
            Le32(record) != kDirectoryEntrySignature)
            return false;
        const std::size_t nameLength = Le16(record + 28);
        const std::size_t recordSize = kDirectoryEntrySize + nameLength + Le16(record + 30) + Le16(record + 32);
        if (directoryEnd - record < static_cast<std::ptrdiff_t>(recordSize)) return false;
        const bool utf8 = (Le16(record + 8) & kFlagUtf8Name) != 0;
        std::wstring name = DecodeName(record + kDirectoryEntrySize, nameLength, utf8);
        if (!name.empty() && name.back() != L'/') {
            SkinArchive::Entry entry;
            entry.index = i;
            entry.name = std::move(name);
            entry.size = Le32(record + 24);
            entry.unpacked = Unpack(data, size, record, entry.data);
            if (!entry.unpacked) entry.data.clear();
            entries.push_back(std::move(entry));
        }
        record += recordSize;
    }
    return true;
}

} // namespace SkinUI::detail
