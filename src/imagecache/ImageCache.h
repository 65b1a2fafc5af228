#pragma once

#include "imagecache/AutoPurgeCache.h"
#include "imagecache/ImageDecoding.h"
#include "imagecache/ImageOptions.h"
#include "platform/foundation/Subscription.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {
class DispatchQueue;
class Operation;
} // namespace foundation

namespace imagecache {

// Decoded images in memory and their bytes in files, under one key (normally
// the image's URL). Memory answers at once; the disk is read and written on
// one serial queue, so the writes and reads of a key keep their order, and
// every disk answer reaches the main thread.
//
// A file is written beside its final name and renamed over it, so a reader
// meets the old bytes or the new ones, never half of them.
class ImageCache : public std::enable_shared_from_this<ImageCache> {
    struct Private {
        explicit Private() = default;
    };

public:
    using QueryBlock = std::function<void(ImagePtr image, ImageCacheSource source)>;
    using CheckBlock = std::function<void(bool exists)>;
    using CompletionBlock = std::function<void()>;
    using CalculateSizeBlock = std::function<void(std::size_t fileCount, std::uint64_t totalSize)>;

    static constexpr std::string_view namespacePrefix = "com.tallowmere.RemoteImageCache.";

    // The "default" namespace under the app's caches folder; made on first use.
    static std::shared_ptr<ImageCache> sharedImageCache();
    static std::shared_ptr<ImageCache> create(const std::string& nameSpace);
    // The files go into directory/<full namespace>.
    static std::shared_ptr<ImageCache> create(
        const std::string& nameSpace, const std::filesystem::path& directory);
    ImageCache(Private, const std::string& nameSpace, const std::filesystem::path& directory);
    ~ImageCache();
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    static std::filesystem::path makeDiskCachePath(std::string_view name);
    // 32 lowercase hex digits of the key's MD5, no extension.
    static std::string cachedFileNameForKey(std::string_view key);
    std::filesystem::path cachePathForKey(std::string_view key, const std::filesystem::path& directory) const;
    std::filesystem::path defaultCachePathForKey(std::string_view key) const;
    const std::filesystem::path& diskCachePath() const { return m_diskCachePath; }
    // Folders searched after our own, in the order added (bundled images).
    void addReadOnlyCachePath(const std::filesystem::path& path);

    // Without bytes (or with `recalculate`) the image is encoded again: PNG
    // when the bytes were PNG or it has alpha, else JPEG at full quality.
    void storeImage(const ImagePtr& image, bool recalculate, std::optional<std::string> data,
        const std::string& key, bool toDisk);
    void storeImage(const ImagePtr& image, const std::string& key)
    {
        storeImage(image, true, std::nullopt, key, true);
    }
    void storeImage(const ImagePtr& image, const std::string& key, bool toDisk)
    {
        storeImage(image, true, std::nullopt, key, toDisk);
    }

    // A memory hit calls `done` at once on this thread and returns nullptr;
    // otherwise the disk is read on the queue and `done` runs on the main
    // thread, unless the returned operation is cancelled before the read.
    std::shared_ptr<foundation::Operation> queryDiskCacheForKey(const std::string& key, QueryBlock done);
    ImagePtr imageFromMemoryCacheForKey(const std::string& key);
    // Memory, then the disk read on this thread.
    ImagePtr imageFromDiskCacheForKey(const std::string& key);
    ImagePtr diskImageForKey(const std::string& key);
    std::optional<std::string> diskImageDataBySearchingAllPathsForKey(const std::string& key) const;
    bool diskImageExistsWithKey(const std::string& key) const;
    void diskImageExistsWithKey(const std::string& key, CheckBlock completion);

    void removeImageForKey(
        const std::string& key, bool fromDisk = true, CompletionBlock completion = nullptr);
    void clearMemory();
    // Empties the folder. Only what is inside it is removed, never the folder
    // itself or anything a link inside it points at.
    void clearDiskOnCompletion(CompletionBlock completion);
    void clearDisk() { clearDiskOnCompletion(nullptr); }
    // Removes files older than maxCacheAge, then, over maxCacheSize, the
    // oldest until below half of it.
    void cleanDiskWithCompletionBlock(CompletionBlock completion);
    void cleanDisk() { cleanDiskWithCompletionBlock(nullptr); }
    void backgroundCleanDisk();

    std::uint64_t getSize();
    std::size_t getDiskCount();
    void calculateSizeWithCompletionBlock(CalculateSizeBlock completion);

    void setMaxMemoryCost(std::size_t cost) { m_memCache.setTotalCostLimit(cost); }
    std::size_t maxMemoryCost() const { return m_memCache.totalCostLimit(); }
    void setMaxMemoryCountLimit(std::size_t count) { m_memCache.setCountLimit(count); }
    std::size_t maxMemoryCountLimit() const { return m_memCache.countLimit(); }

    void setMaxCacheAge(std::int64_t seconds) { m_maxCacheAge = seconds; }
    std::int64_t maxCacheAge() const { return m_maxCacheAge; }
    void setMaxCacheSize(std::uint64_t bytes) { m_maxCacheSize = bytes; }
    std::uint64_t maxCacheSize() const { return m_maxCacheSize; }
    void setShouldDecompressImages(bool value) { m_shouldDecompressImages = value; }
    bool shouldDecompressImages() const { return m_shouldDecompressImages; }
    void setShouldCacheImagesInMemory(bool value) { m_shouldCacheImagesInMemory = value; }
    bool shouldCacheImagesInMemory() const { return m_shouldCacheImagesInMemory; }
    // Kept for callers that set it: Linux has no cloud backup to exclude from.
    void setShouldDisableiCloud(bool value) { m_shouldDisableiCloud = value; }
    bool shouldDisableiCloud() const { return m_shouldDisableiCloud; }

    // What an image costs in memory: its pixels, every frame of an animation.
    static std::size_t costOf(const graphics::Image& image);

private:
    void subscribe();
    void memorize(const std::string& key, const ImagePtr& image);
    // Runs on the main thread when given.
    static void onMain(CompletionBlock block);

    const std::string m_fullNamespace;
    const std::filesystem::path m_diskCachePath;
    std::shared_ptr<foundation::DispatchQueue> m_ioQueue;
    AutoPurgeCache m_memCache;
    std::atomic<std::int64_t> m_maxCacheAge { 604800 };
    std::atomic<std::uint64_t> m_maxCacheSize { 0 };
    std::atomic<bool> m_shouldDecompressImages { true };
    std::atomic<bool> m_shouldCacheImagesInMemory { true };
    std::atomic<bool> m_shouldDisableiCloud { true };
    mutable std::mutex m_customPathsMutex;
    std::vector<std::filesystem::path> m_customPaths;
    std::vector<foundation::Subscription> m_subscriptions;
};

} // namespace imagecache
