#include "analytics_core/Encoding.h"

#include "Diagnostics.h"

#include <zlib.h>

namespace analytics_core {

namespace {

constexpr size_t kChunk = 32768;
constexpr int kGzipWindowBits = 15 + 16;  // 15 with the gzip wrapper
constexpr int kMemoryLevel = 8;

} // namespace

std::optional<std::string> GzipCompress(const std::string& text)
{
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        PrintError("deflateInit2 failed while compressing.");
        return std::nullopt;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    std::string compressed;
    char buffer[kChunk];
    int result = Z_OK;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof(buffer);
        result = deflate(&stream, Z_FINISH);
        compressed.append(buffer, sizeof(buffer) - stream.avail_out);
    } while (result == Z_OK);
    std::string message = stream.msg ? stream.msg : "";
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        PrintError("Exception during zlib compression: (" + std::to_string(result) + ") " + message);
        return std::nullopt;
    }
    return compressed;
}

std::string Base64Encode(const std::string& bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    auto byte = [&](size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[k])); };
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned group = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        out += kAlphabet[group >> 18 & 63];
        out += kAlphabet[group >> 12 & 63];
        out += kAlphabet[group >> 6 & 63];
        out += kAlphabet[group & 63];
    }
    const size_t left = bytes.size() - i;
    if (left > 0) {
        const unsigned group = byte(i) << 16 | (left == 2 ? byte(i + 1) << 8 : 0);
        out += kAlphabet[group >> 18 & 63];
        out += kAlphabet[group >> 12 & 63];
        out += left == 2 ? kAlphabet[group >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

std::string PercentEncode(const std::string& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool unreserved = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                                u == '-' || u == '.' || u == '_' || u == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

std::optional<std::string> EncodeBatch(const std::string& jsonArrayText)
{
    std::optional<std::string> compressed = GzipCompress(jsonArrayText);
    if (!compressed) return std::nullopt;
    return "data_list=" + PercentEncode(Base64Encode(*compressed)) + "&gzip=1";
}

} // namespace analytics_core
