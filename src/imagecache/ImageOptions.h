#pragma once

namespace imagecache {

// How ImageManager loads one image; a bit set.
enum LoadOptions : unsigned {
    LoadRetryFailed = 0x1,
    LoadLowPriority = 0x2,
    LoadMemoryCacheOnly = 0x4,
    LoadProgressive = 0x8,
    LoadRefreshCached = 0x10,
    LoadContinueInBackground = 0x20,
    LoadHandleCookies = 0x40,
    LoadAllowInvalidCertificates = 0x80,
    LoadHighPriority = 0x100,
    LoadDelayPlaceholder = 0x200,
    LoadTransformAnimatedImage = 0x400,
    LoadAvoidAutoSetImage = 0x800,
};

// How ImageDownloader fetches one image; a bit set.
enum FetchOptions : unsigned {
    FetchLowPriority = 0x1,
    FetchProgressive = 0x2,
    FetchUseURLCache = 0x4,
    FetchIgnoreCachedResponse = 0x8,
    FetchContinueInBackground = 0x10,
    FetchHandleCookies = 0x20,
    FetchAllowInvalidCertificates = 0x40,
    FetchHighPriority = 0x80,
};

enum class ImageCacheSource { None = 0, Disk = 1, Memory = 2 };

enum class DownloadOrder { FIFO = 0, LIFO = 1 };

} // namespace imagecache
