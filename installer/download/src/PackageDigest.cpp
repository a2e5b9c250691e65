#include "PackageDigest.h"

#include "Utils/Digest.h"

#include <algorithm>

namespace {
constexpr size_t kDigestLength = 32;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

DigestCheck CheckPackageDigest(const std::string& realUrl, const std::wstring& path)
{
    // The file is read only when there is a digest to compare with.
    if (Utils::ExtractUrlMd5(realUrl).size() != kDigestLength) return DigestCheck::NoUrlDigest;
    return CheckPackageDigestOf(realUrl, Utils::FileMd5Hex(path));
}

DigestCheck CheckPackageDigestOf(const std::string& realUrl, const std::string& fileMd5)
{
    const std::string urlMd5 = Utils::ExtractUrlMd5(realUrl);
    if (urlMd5.size() != kDigestLength) return DigestCheck::NoUrlDigest;
    if (fileMd5.size() != kDigestLength) return DigestCheck::Verified;
    const bool same = std::equal(urlMd5.begin(), urlMd5.end(), fileMd5.begin(),
                                 [](char a, char b) { return Lower(a) == Lower(b); });
    return same ? DigestCheck::Verified : DigestCheck::Mismatch;
}
