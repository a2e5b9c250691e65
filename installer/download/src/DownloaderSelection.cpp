#include "DownloaderSelection.h"

#include "CCurlDownloader.h"

DownloaderKind SelectDownloader(int downloadType)
{
    switch (downloadType) {
    case 2:
        return DownloaderKind::System;
    case 3:
        return DownloaderKind::MultiPart;
    default:
        return DownloaderKind::SingleStream;
    }
}

std::unique_ptr<CDownloader> CreateDownloader(int downloadType, DownloadEventCallback callback, std::wstring url,
                                              std::wstring path)
{
    switch (SelectDownloader(downloadType)) {
    case DownloaderKind::System:
    case DownloaderKind::MultiPart:
        // Served by the single-stream downloader until their own
        // implementations are added.
    case DownloaderKind::SingleStream:
        break;
    }
    return std::make_unique<CCurlDownloader>(std::move(callback), std::move(url), std::move(path));
}
