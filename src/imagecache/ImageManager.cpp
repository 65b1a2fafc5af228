#include "imagecache/ImageManager.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/Operation.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>

namespace imagecache {

std::shared_ptr<ImageManager> ImageManager::sharedManager()
{
    static foundation::NeverDestroyed<std::shared_ptr<ImageManager>> shared(create());
    return shared.get();
}

std::shared_ptr<ImageManager> ImageManager::create()
{
    return create(ImageCache::sharedImageCache(), ImageDownloader::sharedDownloader());
}

std::shared_ptr<ImageManager> ImageManager::create(
    std::shared_ptr<ImageCache> cache, std::shared_ptr<ImageDownloader> downloader)
{
    return std::make_shared<ImageManager>(Private {}, std::move(cache), std::move(downloader));
}

ImageManager::ImageManager(
    Private, std::shared_ptr<ImageCache> cache, std::shared_ptr<ImageDownloader> downloader)
    : m_imageCache(std::move(cache))
    , m_imageDownloader(std::move(downloader))
{
}

unsigned ImageManager::fetchOptions(unsigned options)
{
    unsigned fetch = 0;
    auto map = [&](unsigned load, unsigned download) {
        if (options & load)
            fetch |= download;
    };
    map(LoadLowPriority, FetchLowPriority);
    map(LoadProgressive, FetchProgressive);
    map(LoadRefreshCached, FetchUseURLCache);
    map(LoadContinueInBackground, FetchContinueInBackground);
    map(LoadHandleCookies, FetchHandleCookies);
    map(LoadAllowInvalidCertificates, FetchAllowInvalidCertificates);
    map(LoadHighPriority, FetchHighPriority);
    return fetch;
}

bool ImageManager::isPermanentFailure(const ImageError& error)
{
    if (error.domain == ImageError::imageDomain)
        return true;
    // Negative codes are the transport's (no network, time-outs, resets);
    // 408 and 429 ask to come back later.
    return error.code >= 400 && error.code < 500 && error.code != 408 && error.code != 429;
}

std::string ImageManager::cacheKeyForURL(const std::string& url) const
{
    CacheKeyFilter filter;
    {
        std::lock_guard lock(m_settingsMutex);
        filter = m_cacheKeyFilter;
    }
    return filter ? filter(url) : url;
}

void ImageManager::setCacheKeyFilter(CacheKeyFilter filter)
{
    std::lock_guard lock(m_settingsMutex);
    m_cacheKeyFilter = std::move(filter);
}

std::shared_ptr<ImageManagerDelegate> ImageManager::delegate() const
{
    std::lock_guard lock(m_settingsMutex);
    return m_delegate.lock();
}

void ImageManager::setDelegate(const std::shared_ptr<ImageManagerDelegate>& delegate)
{
    std::lock_guard lock(m_settingsMutex);
    m_delegate = delegate;
}

bool ImageManager::isFailedURL(const std::string& url) const
{
    std::lock_guard lock(m_failedURLsMutex);
    return m_failedURLs.contains(url);
}

void ImageManager::deliver(const CombinedPtr& operation, const CompletionBlock& completed, ImagePtr image,
    std::optional<ImageError> error, ImageCacheSource source, bool finished, const std::string& url,
    std::optional<std::uint64_t> number)
{
    // Checked on the main thread just before the call, where views cancel
    // their loads: a cancelled load never puts its image anywhere. The
    // caller holds the operation, so a load whose handle was dropped still
    // completes.
    foundation::DispatchQueue::main()->sync([&] {
        if (!operation->isCancelled() && (!number || operation->admitDelivery(*number, finished)))
            completed(image, error, source, finished, url);
    });
}

std::shared_ptr<ImageCombinedOperation> ImageManager::downloadImageWithURL(
    const std::string& url, unsigned options, ProgressBlock progress, CompletionBlock completed)
{
    auto operation = std::make_shared<ImageCombinedOperation>();
    WeakCombined weakOperation = operation;
    bool const failedBefore = isFailedURL(url);
    if (url.empty() || (failedBefore && !(options & LoadRetryFailed))) {
        if (completed) {
            foundation::DispatchQueue::main()->sync([&] {
                completed(nullptr, ImageError::url(net::URLError::FileDoesNotExist, url),
                    ImageCacheSource::None, true, url);
            });
        }
        return operation;
    }
    {
        std::lock_guard lock(m_runningOperationsMutex);
        m_runningOperations.push_back(operation);
    }
    // Until a download is under way, cancelling only has to take the load
    // off the running list (a cancelled disk query never answers).
    std::weak_ptr<ImageManager> weakSelf = weak_from_this();
    ImageCombinedOperation* raw = operation.get();
    operation->setCancelBlock([weakSelf, raw] {
        if (auto self = weakSelf.lock())
            self->removeRunning(raw);
    });
    std::string const key = cacheKeyForURL(url);
    auto cacheOperation = m_imageCache->queryDiskCacheForKey(key,
        [weakSelf, weakOperation, url, key, options, progress = std::move(progress),
            completed = std::move(completed)](ImagePtr image, ImageCacheSource source) mutable {
            if (auto self = weakSelf.lock()) {
                self->cacheAnswered(weakOperation, url, key, options, std::move(progress),
                    std::move(completed), std::move(image), source);
            }
        });
    operation->setCacheOperation(std::move(cacheOperation));
    return operation;
}

std::shared_ptr<ImageCombinedOperation> ImageManager::downloadWithURL(
    const std::string& url, unsigned options, ProgressBlock progress, DeprecatedCompletionBlock completed)
{
    return downloadImageWithURL(url, options, std::move(progress),
        [completed = std::move(completed)](const ImagePtr& image, const std::optional<ImageError>& error,
            ImageCacheSource source, bool finished, const std::string&) {
            if (completed)
                completed(image, error, source, finished);
        });
}

void ImageManager::cacheAnswered(const WeakCombined& weakOperation, const std::string& url,
    const std::string& key, unsigned options, ProgressBlock progress, CompletionBlock completed,
    ImagePtr cachedImage, ImageCacheSource source)
{
    auto operation = weakOperation.lock();
    if (!operation || operation->isCancelled()) {
        if (operation)
            removeRunning(operation.get());
        return;
    }
    auto const delegate = this->delegate();
    bool const wanted = !cachedImage || (options & LoadRefreshCached);
    bool const allowed
        = !delegate || delegate->imageManagerShouldDownloadImageForURL(*this, url).value_or(true);
    if (!(wanted && allowed)) {
        if (completed)
            deliver(operation, completed, cachedImage, std::nullopt,
                cachedImage ? source : ImageCacheSource::None, true, url);
        removeRunning(operation.get());
        return;
    }
    if (cachedImage && completed) {
        // The cached picture now; the refreshed one when it arrives.
        foundation::DispatchQueue::main()->sync(
            [&] { completed(cachedImage, std::nullopt, source, true, url); });
    }
    unsigned fetch = fetchOptions(options);
    if (cachedImage && (options & LoadRefreshCached)) {
        fetch &= ~FetchProgressive;
        fetch |= FetchIgnoreCachedResponse;
    }
    std::weak_ptr<ImageManager> weakSelf = weak_from_this();
    auto token = m_imageDownloader->downloadImageWithURL(url, fetch, std::move(progress),
        [weakSelf, weakOperation, url, key, options, completed, cachedImage](
            ImagePtr image, std::optional<std::string> data, std::optional<ImageError> error, bool finished) {
            if (auto self = weakSelf.lock()) {
                self->downloaded(weakOperation, url, key, options, completed, cachedImage, std::move(image),
                    std::move(data), std::move(error), finished);
            }
        });
    ImageCombinedOperation* raw = operation.get();
    operation->setCancelBlock([weakSelf, raw, token] {
        if (token)
            token->cancel();
        if (auto self = weakSelf.lock())
            self->removeRunning(raw);
    });
}

void ImageManager::downloaded(const WeakCombined& weakOperation, const std::string& url,
    const std::string& key, unsigned options, const CompletionBlock& completed, const ImagePtr& cachedImage,
    ImagePtr image, std::optional<std::string> data, std::optional<ImageError> error, bool finished)
{
    // A running load is held by the running list until it ends, so only a
    // cancelled one can be gone here.
    auto operation = weakOperation.lock();
    if (!operation)
        return;
    if (operation->isCancelled()) {
        if (finished)
            removeRunning(operation.get());
        return;
    }
    std::uint64_t const number = operation->numberDelivery();
    if (error) {
        if (completed)
            deliver(operation, completed, nullptr, error, ImageCacheSource::None, finished, url, number);
        if (isPermanentFailure(*error)) {
            std::lock_guard lock(m_failedURLsMutex);
            m_failedURLs.insert(url);
        }
    } else {
        if (options & LoadRetryFailed) {
            std::lock_guard lock(m_failedURLsMutex);
            m_failedURLs.erase(url);
        }
        bool const toDisk = !(options & LoadMemoryCacheOnly);
        auto const delegate = this->delegate();
        bool const transformable = image && (image->images().empty() || (options & LoadTransformAnimatedImage));
        if ((options & LoadRefreshCached) && cachedImage && !image) {
            // Unchanged on the server: the cached image was delivered already.
        } else if (transformable && delegate) {
            // The worker holds the load until it has delivered: the running
            // list lets go of it only then, and its caller may have dropped
            // the handle long before.
            foundation::DispatchQueue::global(foundation::DispatchQueue::Priority::High)
                ->async([self = shared_from_this(), operation, delegate, image, data = std::move(data), key, url,
                            toDisk, completed, finished, number]() mutable {
                    auto transformed = delegate->imageManagerTransformDownloadedImage(*self, image, url);
                    ImagePtr result = transformed ? *transformed : image;
                    if (result && finished) {
                        bool const changed = result != image;
                        self->m_imageCache->storeImage(
                            result, changed, changed ? std::nullopt : std::move(data), key, toDisk);
                    }
                    if (completed)
                        deliver(operation, completed, result, std::nullopt, ImageCacheSource::None, finished, url,
                            number);
                    if (finished)
                        self->removeRunning(operation.get());
                });
            return;
        } else {
            if (image && finished)
                m_imageCache->storeImage(image, false, std::move(data), key, toDisk);
            if (completed)
                deliver(operation, completed, image, std::nullopt, ImageCacheSource::None, finished, url, number);
        }
    }
    if (finished)
        removeRunning(operation.get());
}

void ImageManager::removeRunning(const ImageCombinedOperation* operation)
{
    CombinedPtr removed;
    bool nowIdle = false;
    {
        std::lock_guard lock(m_runningOperationsMutex);
        auto it = std::find_if(m_runningOperations.begin(), m_runningOperations.end(),
            [operation](const CombinedPtr& running) { return running.get() == operation; });
        if (it != m_runningOperations.end()) {
            removed = std::move(*it);
            m_runningOperations.erase(it);
            nowIdle = m_runningOperations.empty();
        }
    }
    // Often called on a download's thread: a main loop waiting for the loads
    // to end (a script's idle) is told to look again.
    if (nowIdle)
        foundation::RunLoop::main().wakeUp();
}

void ImageManager::saveImageToCache(const ImagePtr& image, const std::string& url)
{
    if (image && !url.empty())
        m_imageCache->storeImage(image, cacheKeyForURL(url), true);
}

void ImageManager::cancelAll()
{
    // Cancelling takes each operation off the list under the same lock, so
    // the list is copied and the lock let go first.
    std::vector<CombinedPtr> running;
    {
        std::lock_guard lock(m_runningOperationsMutex);
        running = m_runningOperations;
    }
    for (const CombinedPtr& operation : running)
        operation->cancel();
    std::lock_guard lock(m_runningOperationsMutex);
    std::erase_if(m_runningOperations, [&](const CombinedPtr& operation) {
        return std::find(running.begin(), running.end(), operation) != running.end();
    });
}

bool ImageManager::isRunning() const
{
    return runningOperationCount() > 0;
}

std::size_t ImageManager::runningOperationCount() const
{
    std::lock_guard lock(m_runningOperationsMutex);
    return m_runningOperations.size();
}

bool ImageManager::cachedImageExistsForURL(const std::string& url)
{
    std::string const key = cacheKeyForURL(url);
    return m_imageCache->imageFromMemoryCacheForKey(key) != nullptr
        || m_imageCache->diskImageExistsWithKey(key);
}

bool ImageManager::diskImageExistsForURL(const std::string& url)
{
    return m_imageCache->diskImageExistsWithKey(cacheKeyForURL(url));
}

void ImageManager::cachedImageExistsForURL(const std::string& url, CheckBlock completion)
{
    std::string const key = cacheKeyForURL(url);
    if (m_imageCache->imageFromMemoryCacheForKey(key)) {
        if (completion)
            foundation::DispatchQueue::main()->async(
                [completion = std::move(completion)] { completion(true); });
        return;
    }
    m_imageCache->diskImageExistsWithKey(key, std::move(completion));
}

void ImageManager::diskImageExistsForURL(const std::string& url, CheckBlock completion)
{
    m_imageCache->diskImageExistsWithKey(cacheKeyForURL(url), std::move(completion));
}

} // namespace imagecache
