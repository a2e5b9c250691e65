#pragma once

#include "CDownloader.h"

#include <memory>
#include <string>

enum class DownloaderKind {
    SingleStream,  // every type but 2 and 3, 1 by default
    System,        // 2
    MultiPart,     // 3
};

DownloaderKind SelectDownloader(int downloadType);

// The downloader the configured type selects, constructed with the owner's
// callback, the download URL and the package path.
std::unique_ptr<CDownloader> CreateDownloader(int downloadType, DownloadEventCallback callback, std::wstring url,
                                              std::wstring path);
