#include "ArchiveReaders.h"

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"

#include <algorithm>
#include <cstring>

namespace SkinUI::detail {

namespace {

constexpr std::size_t kLookBufferSize = 1 << 16;

const ISzAlloc kAlloc = {SzAlloc, SzFree};
const ISzAlloc kAllocTemp = {SzAllocTemp, SzFreeTemp};

// The decoder reads through a seekable stream; this one is a byte range.
struct MemoryStream {
    ISeekInStream vt;
    const Byte* data;
    std::size_t size;
    std::size_t pos;
};

MemoryStream& StreamOf(ISeekInStreamPtr p)
{
    return *const_cast<MemoryStream*>(reinterpret_cast<const MemoryStream*>(p));
}

SRes MemoryRead(ISeekInStreamPtr p, void* buffer, std::size_t* size)
{
    MemoryStream& stream = StreamOf(p);
    const std::size_t count = std::min(*size, stream.size - stream.pos);
    std::memcpy(buffer, stream.data + stream.pos, count);
    stream.pos += count;
    *size = count;
    return SZ_OK;
}

SRes MemorySeek(ISeekInStreamPtr p, Int64* pos, ESzSeek origin)
{
    MemoryStream& stream = StreamOf(p);
    Int64 base = 0;
    if (origin == SZ_SEEK_CUR) base = static_cast<Int64>(stream.pos);
    if (origin == SZ_SEEK_END) base = static_cast<Int64>(stream.size);
    const Int64 target = base + *pos;
    if (target < 0 || target > static_cast<Int64>(stream.size)) return SZ_ERROR_READ;
    stream.pos = static_cast<std::size_t>(target);
    *pos = target;
    return SZ_OK;
}

class ArchiveDatabase {
public:
    ArchiveDatabase() { SzArEx_Init(&db); }
    ~ArchiveDatabase()
    {
        ISzAlloc_Free(&kAlloc, block);
        SzArEx_Free(&db, &kAlloc);
    }
    ArchiveDatabase(const ArchiveDatabase&) = delete;
    ArchiveDatabase& operator=(const ArchiveDatabase&) = delete;

    CSzArEx db;
    // The decoder's cache of the last unpacked solid block.
    UInt32 blockIndex = 0xFFFFFFFF;
    Byte* block = nullptr;
    std::size_t blockSize = 0;
};

} // namespace

bool Read7z(const void* bytes, std::size_t size, std::vector<SkinArchive::Entry>& entries)
{
    static const bool crcTableReady = (CrcGenerateTable(), true);
    (void)crcTableReady;

    MemoryStream stream{{MemoryRead, MemorySeek}, static_cast<const Byte*>(bytes), size, 0};
    std::vector<Byte> lookBuffer(kLookBufferSize);
    CLookToRead2 look;
    LookToRead2_CreateVTable(&look, False);
    look.buf = lookBuffer.data();
    look.bufSize = lookBuffer.size();
    look.realStream = &stream.vt;
    LookToRead2_INIT(&look);

    ArchiveDatabase archive;
    if (SzArEx_Open(&archive.db, &look.vt, &kAlloc, &kAllocTemp) != SZ_OK) return false;

    std::vector<UInt16> name;
    for (UInt32 i = 0; i < archive.db.NumFiles; ++i) {
        if (SzArEx_IsDir(&archive.db, i)) continue;
        SkinArchive::Entry entry;
        entry.index = i;
        name.resize(SzArEx_GetFileNameUtf16(&archive.db, i, nullptr));
        SzArEx_GetFileNameUtf16(&archive.db, i, name.data());
        entry.name.assign(name.begin(), std::find(name.begin(), name.end(), UInt16{0}));
        entry.size = SzArEx_GetFileSize(&archive.db, i);
        std::size_t offset = 0;
        std::size_t unpackedSize = 0;
        if (SzArEx_Extract(&archive.db, &look.vt, i, &archive.blockIndex, &archive.block, &archive.blockSize, &offset,
                           &unpackedSize, &kAlloc, &kAllocTemp) == SZ_OK &&
            unpackedSize == entry.size) {
            entry.data.assign(archive.block + offset, archive.block + offset + unpackedSize);
            entry.unpacked = true;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace SkinUI::detail
