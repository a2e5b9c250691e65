#pragma once

#include "CMTCurlDownloader.h"
#include "StopSignal.h"

#include "Utils/Digest.h"
#include "Utils/UniqueHandle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Joins the part files of a multi-part download into the first one and
// computes the MD5 of the result while the parts are still downloading:
// part 0's bytes go into the digest as they reach its file, and once part 0
// is complete each further part's bytes are appended to it, and digested, as
// they arrive. At the end only what came last is left to do, instead of
// reading the whole package once more.
class PartJoiner {
public:
    using Parts = std::vector<std::unique_ptr<CMTCurlDownloader::DownloadPartNode>>;

    // The parts must outlive the joiner.
    PartJoiner(const Parts& parts, const StopSignal& stop);

    PartJoiner(const PartJoiner&) = delete;
    PartJoiner& operator=(const PartJoiner&) = delete;

    // Takes in what the part files have gained; false after a file error.
    // Safe while the part threads write.
    bool Advance();
    // Every part went into part 0's file.
    bool Complete() const { return current_ == parts_.size(); }
    // Makes the complete part 0 file the target; the other part files go.
    bool MoveTo(const std::wstring& target);
    // Gives part 0's file back its own range only, for a later run to
    // resume; deletes it when that fails.
    void Undo();
    // MD5 of the joined file; only once, when Complete.
    std::string HexDigest() { return md5_.HexDigest(); }

private:
    bool TakeIn(int64_t bytes);

    const Parts& parts_;
    const StopSignal& stop_;
    size_t current_ = 0;  // the part being taken in
    int64_t taken_ = 0;   // bytes of it taken in
    Utils::UniqueHandle reader_;
    Utils::UniqueHandle joined_;  // part 0's file, once it is complete
    std::vector<unsigned char> block_;
    Utils::Md5 md5_;
};
