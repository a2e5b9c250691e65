#pragma once

#include <optional>
#include <string>

// The transfer encodings of a batch.
namespace analytics_core {

// gzip stream of text at compression level 9; nullopt (after a message on
// standard error) when zlib fails.
std::optional<std::string> GzipCompress(const std::string& text);

// RFC 4648 alphabet with "=" padding and no line breaks.
std::string Base64Encode(const std::string& bytes);

// Letters, digits and "-._~" stay; every other byte becomes %XX (upper case).
std::string PercentEncode(const std::string& text);

// "data_list=" + percent-encoded Base64 of the gzip stream + "&gzip=1".
std::optional<std::string> EncodeBatch(const std::string& jsonArrayText);

} // namespace analytics_core
