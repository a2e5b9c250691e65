#pragma once

#include <string>

enum class DigestCheck {
    Verified,     // digests equal, or the file's digest could not be computed
    Mismatch,     // the file is not the package the address names
    NoUrlDigest,  // the effective URL carries no 32-character url-md5
};

// Compares the MD5 of the file at path with the url-md5 of realUrl, the
// package's effective address. Hexadecimal digits compare without regard to
// letter case: an upper-case digest names the same content.
DigestCheck CheckPackageDigest(const std::string& realUrl, const std::wstring& path);
// The same for a file whose MD5 was computed as it was written; fileMd5 is
// "" when it could not be.
DigestCheck CheckPackageDigestOf(const std::string& realUrl, const std::string& fileMd5);
