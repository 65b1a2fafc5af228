#pragma once

#include "imagecache/ImageCache.h"
#include "imagecache/ImageCombinedOperation.h"
#include "imagecache/ImageDownloader.h"
#include "imagecache/ImageError.h"
#include "imagecache/ImageManagerDelegate.h"
#include "imagecache/ImageOptions.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace imagecache {

// Where everything gets a remote image: the cache first (memory, then disk),
// else the downloader, and what was downloaded goes back into the cache. Every
// completion runs on the main thread.
//
// A URL whose server answered that the image is not there (a 4xx other than
// time-outs and rate limits) or whose bytes are no image is remembered as
// failed for the rest of the run and not asked for again without
// LoadRetryFailed; a fault that may pass (a 5xx, a dead or slow connection)
// is never remembered, so a portrait comes back with the server.
class ImageManager : public std::enable_shared_from_this<ImageManager> {
    struct Private {
        explicit Private() = default;
    };

public:
    using ProgressBlock = ImageDownloader::ProgressBlock;
    using CompletionBlock = std::function<void(const ImagePtr& image, const std::optional<ImageError>& error,
        ImageCacheSource cacheType, bool finished, const std::string& imageURL)>;
    using CacheKeyFilter = std::function<std::string(const std::string& url)>;
    using CheckBlock = std::function<void(bool exists)>;

    static std::shared_ptr<ImageManager> sharedManager();
    // A manager of its own over the shared cache and downloader.
    static std::shared_ptr<ImageManager> create();
    static std::shared_ptr<ImageManager> create(
        std::shared_ptr<ImageCache> cache, std::shared_ptr<ImageDownloader> downloader);
    ImageManager(Private, std::shared_ptr<ImageCache> cache, std::shared_ptr<ImageDownloader> downloader);

    // An empty URL completes at once with FileDoesNotExist (-1100), as does a
    // remembered failure without LoadRetryFailed.
    std::shared_ptr<ImageCombinedOperation> downloadImageWithURL(
        const std::string& url, unsigned options, ProgressBlock progress, CompletionBlock completed);

    // The older name, whose completion has no URL.
    using DeprecatedCompletionBlock = std::function<void(const ImagePtr& image,
        const std::optional<ImageError>& error, ImageCacheSource cacheType, bool finished)>;
    std::shared_ptr<ImageCombinedOperation> downloadWithURL(
        const std::string& url, unsigned options, ProgressBlock progress, DeprecatedCompletionBlock completed);

    std::string cacheKeyForURL(const std::string& url) const;
    void saveImageToCache(const ImagePtr& image, const std::string& url);
    void cancelAll();
    bool isRunning() const;
    std::size_t runningOperationCount() const;

    bool cachedImageExistsForURL(const std::string& url);
    bool diskImageExistsForURL(const std::string& url);
    void cachedImageExistsForURL(const std::string& url, CheckBlock completion);
    void diskImageExistsForURL(const std::string& url, CheckBlock completion);

    std::shared_ptr<ImageManagerDelegate> delegate() const;
    void setDelegate(const std::shared_ptr<ImageManagerDelegate>& delegate);
    const std::shared_ptr<ImageCache>& imageCache() const { return m_imageCache; }
    const std::shared_ptr<ImageDownloader>& imageDownloader() const { return m_imageDownloader; }
    void setCacheKeyFilter(CacheKeyFilter filter);
    bool isFailedURL(const std::string& url) const;

    // Whether an error says the URL will never give an image.
    static bool isPermanentFailure(const ImageError& error);
    // Maps load options to the downloader's.
    static unsigned fetchOptions(unsigned loadOptions);

private:
    using CombinedPtr = std::shared_ptr<ImageCombinedOperation>;
    using WeakCombined = std::weak_ptr<ImageCombinedOperation>;

    void cacheAnswered(const WeakCombined& weakOperation, const std::string& url, const std::string& key,
        unsigned options, ProgressBlock progress, CompletionBlock completed, ImagePtr cachedImage,
        ImageCacheSource source);
    void downloaded(const WeakCombined& weakOperation, const std::string& url, const std::string& key,
        unsigned options, const CompletionBlock& completed, const ImagePtr& cachedImage, ImagePtr image,
        std::optional<std::string> data, std::optional<ImageError> error, bool finished);
    // Runs `completed` on the main thread, waiting for it, unless the load
    // was cancelled by the time it would run, or a download's image numbered
    // `number` is overtaken there by a later one.
    static void deliver(const CombinedPtr& operation, const CompletionBlock& completed, ImagePtr image,
        std::optional<ImageError> error, ImageCacheSource source, bool finished, const std::string& url,
        std::optional<std::uint64_t> number = std::nullopt);
    void removeRunning(const ImageCombinedOperation* operation);

    std::shared_ptr<ImageCache> m_imageCache;
    std::shared_ptr<ImageDownloader> m_imageDownloader;
    // Guards the delegate and the key filter.
    mutable std::mutex m_settingsMutex;
    std::weak_ptr<ImageManagerDelegate> m_delegate;
    CacheKeyFilter m_cacheKeyFilter;
    mutable std::mutex m_failedURLsMutex;
    std::set<std::string> m_failedURLs;
    mutable std::mutex m_runningOperationsMutex;
    std::vector<CombinedPtr> m_runningOperations;
};

} // namespace imagecache
