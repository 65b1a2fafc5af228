#include "imagecache/ImagePrefetcher.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/RunLoop.h"

namespace imagecache {

std::shared_ptr<ImagePrefetcher> ImagePrefetcher::sharedImagePrefetcher()
{
    static foundation::NeverDestroyed<std::shared_ptr<ImagePrefetcher>> shared(create());
    return shared.get();
}

std::shared_ptr<ImagePrefetcher> ImagePrefetcher::create(std::shared_ptr<ImageManager> manager)
{
    auto own = manager ? ImageManager::create(manager->imageCache(), manager->imageDownloader())
                       : ImageManager::create();
    auto prefetcher = std::make_shared<ImagePrefetcher>(Private {}, std::move(own));
    prefetcher->setMaxConcurrentDownloads(3);
    return prefetcher;
}

ImagePrefetcher::ImagePrefetcher(Private, std::shared_ptr<ImageManager> manager)
    : m_manager(std::move(manager))
    , m_prefetcherQueue(foundation::DispatchQueue::main())
{
}

void ImagePrefetcher::setMaxConcurrentDownloads(long count)
{
    m_manager->imageDownloader()->setMaxConcurrentDownloads(count);
}

long ImagePrefetcher::maxConcurrentDownloads() const
{
    return m_manager->imageDownloader()->maxConcurrentDownloads();
}

void ImagePrefetcher::prefetchURLs(
    std::vector<std::string> urls, ProgressBlock progress, CompletionBlock completion)
{
    cancelPrefetching();
    m_startedTime = foundation::RunLoop::main().now();
    m_prefetchURLs = std::move(urls);
    m_progressBlock = std::move(progress);
    m_completionBlock = std::move(completion);
    if (m_prefetchURLs.empty()) {
        if (auto completed = std::exchange(m_completionBlock, nullptr))
            completed(0, 0);
        return;
    }
    long const width = maxConcurrentDownloads();
    for (std::size_t index = 0;
         (width < 0 || index < static_cast<std::size_t>(width)) && m_requestedCount < m_prefetchURLs.size();
         ++index)
        startPrefetchingAtIndex(index);
}

void ImagePrefetcher::startPrefetchingAtIndex(std::size_t index)
{
    if (index >= m_prefetchURLs.size())
        return;
    ++m_requestedCount;
    std::weak_ptr<ImagePrefetcher> weakSelf = weak_from_this();
    std::uint64_t const generation = m_generation;
    m_manager->downloadImageWithURL(m_prefetchURLs[index], m_options, nullptr,
        [weakSelf, generation, index](const ImagePtr& image, const std::optional<ImageError>&,
            ImageCacheSource, bool finished, const std::string&) {
            auto self = weakSelf.lock();
            if (!self || !finished || generation != self->m_generation)
                return;
            ++self->m_finishedCount;
            std::size_t const total = self->m_prefetchURLs.size();
            if (self->m_progressBlock)
                self->m_progressBlock(self->m_finishedCount, total);
            if (!image)
                ++self->m_skippedCount;
            if (auto delegate = self->m_delegate.lock())
                delegate->imagePrefetcherDidPrefetchURL(
                    *self, self->m_prefetchURLs[index], self->m_finishedCount, total);
            if (total > self->m_requestedCount) {
                self->m_prefetcherQueue->async([weakSelf, generation] {
                    auto self = weakSelf.lock();
                    if (self && generation == self->m_generation)
                        self->startPrefetchingAtIndex(self->m_requestedCount);
                });
            } else if (self->m_finishedCount == self->m_requestedCount) {
                self->reportStatus();
                if (auto completed = std::exchange(self->m_completionBlock, nullptr))
                    completed(self->m_finishedCount, self->m_skippedCount);
                self->m_progressBlock = nullptr;
            }
        });
}

void ImagePrefetcher::reportStatus()
{
    if (auto delegate = m_delegate.lock())
        delegate->imagePrefetcherDidFinish(*this, m_prefetchURLs.size() - m_skippedCount, m_skippedCount);
}

void ImagePrefetcher::cancelPrefetching()
{
    ++m_generation;
    m_prefetchURLs.clear();
    m_skippedCount = 0;
    m_requestedCount = 0;
    m_finishedCount = 0;
    m_progressBlock = nullptr;
    m_completionBlock = nullptr;
    m_manager->cancelAll();
}

} // namespace imagecache
