#pragma once

#include <string>

namespace Utils {

// The url-md5 of a package address: the second-to-last "/"-separated piece,
// e.g. "DIGEST" of "http://host/path/DIGEST/setup.exe". "" when url holds
// fewer than two "/". Every "/" counts, the query's included; nothing is
// decoded or validated.
std::string ExtractUrlMd5(const std::string& url);

// MD5 of a file's content as 32 lower-case hexadecimal digits; "" when path is
// empty or the file cannot be read. The file is streamed, never held whole.
std::string FileMd5Hex(const std::wstring& path);

} // namespace Utils
