#pragma once

#include "imagecache/ImageManager.h"
#include "imagecache/ImagePrefetcherDelegate.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace foundation {
class DispatchQueue;
}

namespace imagecache {

// Loads a list of images into the cache ahead of need, a few at a time and
// at low priority. Used from the main thread; all counting happens there.
class ImagePrefetcher : public std::enable_shared_from_this<ImagePrefetcher> {
    struct Private {
        explicit Private() = default;
    };

public:
    using ProgressBlock = std::function<void(std::size_t finishedCount, std::size_t totalCount)>;
    using CompletionBlock = std::function<void(std::size_t finishedCount, std::size_t skippedCount)>;

    // Making it lowers the shared downloader's width to 3.
    static std::shared_ptr<ImagePrefetcher> sharedImagePrefetcher();
    // Over a manager of its own that uses `manager`'s cache and downloader
    // (the shared ones without one).
    static std::shared_ptr<ImagePrefetcher> create(std::shared_ptr<ImageManager> manager = nullptr);
    ImagePrefetcher(Private, std::shared_ptr<ImageManager> manager);

    // A new list replaces the one running, whose blocks are then never called.
    void prefetchURLs(std::vector<std::string> urls, ProgressBlock progress = nullptr,
        CompletionBlock completion = nullptr);
    void startPrefetchingAtIndex(std::size_t index);
    void reportStatus();
    void cancelPrefetching();

    void setMaxConcurrentDownloads(long count);
    long maxConcurrentDownloads() const;

    const std::shared_ptr<ImageManager>& manager() const { return m_manager; }
    void setOptions(unsigned options) { m_options = options; }
    unsigned options() const { return m_options; }
    void setPrefetcherQueue(std::shared_ptr<foundation::DispatchQueue> queue)
    {
        m_prefetcherQueue = std::move(queue);
    }
    void setDelegate(const std::shared_ptr<ImagePrefetcherDelegate>& delegate) { m_delegate = delegate; }
    const std::vector<std::string>& prefetchURLList() const { return m_prefetchURLs; }
    std::size_t requestedCount() const { return m_requestedCount; }
    std::size_t skippedCount() const { return m_skippedCount; }
    std::size_t finishedCount() const { return m_finishedCount; }
    double startedTime() const { return m_startedTime; }

private:
    std::shared_ptr<ImageManager> m_manager;
    unsigned m_options = LoadLowPriority;
    std::shared_ptr<foundation::DispatchQueue> m_prefetcherQueue;
    std::vector<std::string> m_prefetchURLs;
    std::size_t m_requestedCount = 0;
    std::size_t m_skippedCount = 0;
    std::size_t m_finishedCount = 0;
    double m_startedTime = 0;
    // Bumped by every new list, so a late answer for an old one is dropped.
    std::uint64_t m_generation = 0;
    ProgressBlock m_progressBlock;
    CompletionBlock m_completionBlock;
    std::weak_ptr<ImagePrefetcherDelegate> m_delegate;
};

} // namespace imagecache
