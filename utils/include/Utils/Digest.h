#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Utils {

// MD5 as RFC 1321 defines it, fed piece by piece.
class Md5 {
public:
    void Update(const unsigned char* data, size_t size);
    // 32 lower-case hexadecimal digits; ends the computation.
    std::string HexDigest();

private:
    void Transform(const unsigned char* block);

    uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    uint64_t length_ = 0;
    unsigned char buffer_[64] = {};
};

// The url-md5 of a package address: the second-to-last "/"-separated piece,
// e.g. "DIGEST" of "http://host/path/DIGEST/setup.exe". "" when url holds
// fewer than two "/". Every "/" counts, the query's included; nothing is
// decoded or validated.
std::string ExtractUrlMd5(const std::string& url);

// MD5 of a file's content as 32 lower-case hexadecimal digits; "" when path is
// empty or the file cannot be read. The file is streamed, never held whole.
std::string FileMd5Hex(const std::wstring& path);

} // namespace Utils
