#include "DownloaderSelection.h"

#include "CCurlDownloader.h"
#include "CMTCurlDownloader.h"
#include "CWinDownloader.h"

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
        return std::make_unique<CWinDownloader>(std::move(callback), std::move(url), std::move(path));
    case DownloaderKind::MultiPart:
        return std::make_unique<CMTCurlDownloader>(std::move(callback), std::move(url), std::move(path));
    case DownloaderKind::SingleStream:
        break;
    }
    return std::make_unique<CCurlDownloader>(std::move(callback), std::move(url), std::move(path));
}
