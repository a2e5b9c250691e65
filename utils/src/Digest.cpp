#include "Utils/Digest.h"

#include "Utils/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Utils {

namespace {
uint32_t Rotate(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}
} // namespace

void Md5::Update(const unsigned char* data, size_t size)
{
    const size_t used = static_cast<size_t>(length_ % 64);
    length_ += size;
    size_t offset = 0;
    if (used > 0) {
        const size_t take = std::min(size, 64 - used);
        std::memcpy(buffer_ + used, data, take);
        offset = take;
        if (used + take < 64) return;
        Transform(buffer_);
    }
    for (; offset + 64 <= size; offset += 64) Transform(data + offset);
    std::memcpy(buffer_, data + offset, size - offset);
}

std::string Md5::HexDigest()
{
    const uint64_t bits = length_ * 8;
    const unsigned char pad = 0x80;
    Update(&pad, 1);
    const unsigned char zero = 0;
    while (length_ % 64 != 56) Update(&zero, 1);
    unsigned char tail[8];
    for (int i = 0; i < 8; ++i) tail[i] = static_cast<unsigned char>(bits >> (8 * i));
    Update(tail, 8);
    char hex[33];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(hex + 2 * i, 3, "%02x", static_cast<unsigned>((state_[i / 4] >> (8 * (i % 4))) & 0xff));
    }
    return std::string(hex, 32);
}

// Four rounds of sixteen steps, each loop fully unrolled by the compiler.
void Md5::Transform(const unsigned char* block)
{
    static const uint32_t k[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static const int shift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    uint32_t m[16];
    for (int i = 0; i < 16; ++i) {
        m[i] = uint32_t(block[4 * i]) | uint32_t(block[4 * i + 1]) << 8 | uint32_t(block[4 * i + 2]) << 16 |
               uint32_t(block[4 * i + 3]) << 24;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    auto step = [](uint32_t& target, uint32_t next, uint32_t f, uint32_t x, uint32_t t, int s) {
        target = next + Rotate(target + f + x + t, s);
    };
#pragma GCC unroll 16
    for (int i = 0; i < 16; i += 4) {
        step(a, b, d ^ (b & (c ^ d)), m[i], k[i], shift[0][0]);
        step(d, a, c ^ (a & (b ^ c)), m[i + 1], k[i + 1], shift[0][1]);
        step(c, d, b ^ (d & (a ^ b)), m[i + 2], k[i + 2], shift[0][2]);
        step(b, c, a ^ (c & (d ^ a)), m[i + 3], k[i + 3], shift[0][3]);
    }
#pragma GCC unroll 16
    for (int i = 16; i < 32; i += 4) {
        step(a, b, c ^ (d & (b ^ c)), m[(5 * i + 1) % 16], k[i], shift[1][0]);
        step(d, a, b ^ (c & (a ^ b)), m[(5 * i + 6) % 16], k[i + 1], shift[1][1]);
        step(c, d, a ^ (b & (d ^ a)), m[(5 * i + 11) % 16], k[i + 2], shift[1][2]);
        step(b, c, d ^ (a & (c ^ d)), m[(5 * i + 16) % 16], k[i + 3], shift[1][3]);
    }
#pragma GCC unroll 16
    for (int i = 32; i < 48; i += 4) {
        step(a, b, b ^ c ^ d, m[(3 * i + 5) % 16], k[i], shift[2][0]);
        step(d, a, a ^ b ^ c, m[(3 * i + 8) % 16], k[i + 1], shift[2][1]);
        step(c, d, d ^ a ^ b, m[(3 * i + 11) % 16], k[i + 2], shift[2][2]);
        step(b, c, c ^ d ^ a, m[(3 * i + 14) % 16], k[i + 3], shift[2][3]);
    }
#pragma GCC unroll 16
    for (int i = 48; i < 64; i += 4) {
        step(a, b, c ^ (b | ~d), m[(7 * i) % 16], k[i], shift[3][0]);
        step(d, a, b ^ (a | ~c), m[(7 * i + 7) % 16], k[i + 1], shift[3][1]);
        step(c, d, a ^ (d | ~b), m[(7 * i + 14) % 16], k[i + 2], shift[3][2]);
        step(b, c, d ^ (c | ~a), m[(7 * i + 21) % 16], k[i + 3], shift[3][3]);
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

std::string ExtractUrlMd5(const std::string& url)
{
    const size_t last = url.rfind('/');
    if (last == std::string::npos || last == 0) return {};
    const size_t previous = url.rfind('/', last - 1);
    if (previous == std::string::npos) return {};
    return url.substr(previous + 1, last - previous - 1);
}

std::string FileMd5Hex(const std::wstring& path)
{
    if (path.empty()) return {};
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return {};
    Md5 md5;
    std::vector<unsigned char> block(64 * 1024);
    DWORD read = 0;
    while (true) {
        if (!::ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) return {};
        if (read == 0) break;
        md5.Update(block.data(), read);
    }
    return md5.HexDigest();
}

} // namespace Utils
