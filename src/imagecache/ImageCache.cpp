#include "imagecache/ImageCache.h"

#include "platform/crypto/Md5.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Operation.h"
#include "platform/foundation/Paths.h"
#include "platform/graphics/ImageEncoder.h"
#include "platform/kit/Application.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <sys/stat.h>

namespace imagecache {

namespace {

constexpr std::string_view pngSignature("\x89PNG\r\n\x1a\n", 8);

struct DiskEntry {
    std::filesystem::path path;
    std::filesystem::file_time_type modified;
    std::uint64_t size;
};

bool isHidden(const std::filesystem::path& path)
{
    auto const name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

std::uint64_t allocatedSize(const std::filesystem::path& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    return static_cast<std::uint64_t>(info.st_blocks) * 512;
}

// Files last changed at or before the result have outlived `seconds` of age.
// The clock counts nanoseconds in 64 bits and reaches back only a century or
// two from now, so the subtraction is held to its range: an age longer than
// the clock reaches expires nothing (without this, a large maxCacheAge wrapped
// round to a date in the future and the next cleaning deleted every file).
std::filesystem::file_time_type expiryBefore(std::filesystem::file_time_type now, std::int64_t seconds)
{
    using Time = std::filesystem::file_time_type;
    using Ticks = Time::rep;
    static_assert(Time::period::num == 1, "whole ticks per second");
    constexpr Ticks perSecond = Time::period::den;
    constexpr Ticks widest = std::numeric_limits<Ticks>::max() / perSecond;
    Ticks const nowSeconds = now.time_since_epoch().count() / perSecond;
    if (seconds >= 0) {
        // Whole seconds the clock can go back from now.
        Ticks const back = nowSeconds - std::numeric_limits<Ticks>::min() / perSecond - 1;
        if (seconds >= std::min(back, widest))
            return Time::min();
    } else {
        // A negative age names a moment to come: everything is older.
        Ticks const ahead = widest - nowSeconds - 1;
        if (seconds <= -std::min(ahead, widest))
            return Time::max();
    }
    return now - std::chrono::seconds(seconds);
}

// The plain files of the folder, hidden ones and folders left out.
std::vector<DiskEntry> listFiles(const std::filesystem::path& directory)
{
    std::vector<DiskEntry> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code statError;
        if (isHidden(it->path()) || !it->is_regular_file(statError))
            continue;
        auto modified = it->last_write_time(statError);
        if (statError)
            continue;
        entries.push_back({ it->path(), modified, allocatedSize(it->path()) });
    }
    return entries;
}

} // namespace

std::shared_ptr<ImageCache> ImageCache::sharedImageCache()
{
    static foundation::NeverDestroyed<std::shared_ptr<ImageCache>> shared(create("default"));
    return shared.get();
}

std::shared_ptr<ImageCache> ImageCache::create(const std::string& nameSpace)
{
    return create(nameSpace, makeDiskCachePath(nameSpace));
}

std::shared_ptr<ImageCache> ImageCache::create(
    const std::string& nameSpace, const std::filesystem::path& directory)
{
    auto cache = std::make_shared<ImageCache>(Private {}, nameSpace, directory);
    cache->subscribe();
    return cache;
}

ImageCache::ImageCache(Private, const std::string& nameSpace, const std::filesystem::path& directory)
    : m_fullNamespace(std::string(namespacePrefix) + nameSpace)
    , m_diskCachePath(directory.empty() ? makeDiskCachePath(m_fullNamespace) : directory / m_fullNamespace)
    , m_ioQueue(foundation::DispatchQueue::createSerial("com.tallowmere.RemoteImageCache"))
    , m_memCache(m_fullNamespace)
{
}

ImageCache::~ImageCache() = default;

void ImageCache::subscribe()
{
    auto& center = foundation::NotificationCenter::defaultCenter();
    std::weak_ptr<ImageCache> weak = weak_from_this();
    auto on = [&](const char* name, void (ImageCache::*action)()) {
        m_subscriptions.push_back(center.addObserverForName(name, nullptr, [weak, action](const auto&) {
            if (auto self = weak.lock())
                ((*self).*action)();
        }));
    };
    on(kit::Application::didReceiveMemoryWarningNotification, &ImageCache::clearMemory);
    on(kit::Application::willTerminateNotification, &ImageCache::cleanDisk);
    on(kit::Application::didEnterBackgroundNotification, &ImageCache::backgroundCleanDisk);
}

std::filesystem::path ImageCache::makeDiskCachePath(std::string_view name)
{
    return foundation::Paths::cachesDirectory() / std::string(name);
}

std::string ImageCache::cachedFileNameForKey(std::string_view key)
{
    // The key is hashed as a C string: up to its first NUL.
    key = key.substr(0, key.find('\0'));
    auto const digest = crypto::md5(std::span(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()));
    std::string name;
    char hex[3];
    for (std::uint8_t byte : digest) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        name += hex;
    }
    return name;
}

std::filesystem::path ImageCache::cachePathForKey(
    std::string_view key, const std::filesystem::path& directory) const
{
    return directory / cachedFileNameForKey(key);
}

std::filesystem::path ImageCache::defaultCachePathForKey(std::string_view key) const
{
    return cachePathForKey(key, m_diskCachePath);
}

void ImageCache::addReadOnlyCachePath(const std::filesystem::path& path)
{
    std::lock_guard lock(m_customPathsMutex);
    if (std::find(m_customPaths.begin(), m_customPaths.end(), path) == m_customPaths.end())
        m_customPaths.push_back(path);
}

std::size_t ImageCache::costOf(const graphics::Image& image)
{
    auto const pixels
        = static_cast<std::size_t>(image.pixelWidth()) * static_cast<std::size_t>(image.pixelHeight());
    return pixels * std::max<std::size_t>(1, image.images().size());
}

void ImageCache::memorize(const std::string& key, const ImagePtr& image)
{
    if (image && m_shouldCacheImagesInMemory)
        m_memCache.setObject(key, image, costOf(*image));
}

void ImageCache::onMain(CompletionBlock block)
{
    if (block)
        foundation::DispatchQueue::main()->async(std::move(block));
}

void ImageCache::storeImage(const ImagePtr& image, bool recalculate, std::optional<std::string> data,
    const std::string& key, bool toDisk)
{
    if (!image || key.empty())
        return;
    memorize(key, image);
    if (!toDisk)
        return;
    m_ioQueue->async([self = shared_from_this(), image, recalculate, data = std::move(data), key] {
        std::optional<std::string> bytes = data;
        if (recalculate || !data) {
            bool const pngData
                = data && data->size() >= pngSignature.size() && data->starts_with(pngSignature);
            bool const shortData = !data || data->size() < pngSignature.size();
            if (pngData || (shortData && image->hasAlpha()))
                bytes = graphics::ImageEncoder::png(*image);
            else
                bytes = graphics::ImageEncoder::jpeg(*image, 1.0);
        }
        if (!bytes)
            return;
        // A failed write leaves no entry: the next load downloads again.
        (void)foundation::Paths::writeFileAtomically(self->defaultCachePathForKey(key), *bytes, 0600);
    });
}

std::shared_ptr<foundation::Operation> ImageCache::queryDiskCacheForKey(
    const std::string& key, QueryBlock done)
{
    if (!done)
        return nullptr;
    if (key.empty()) {
        done(nullptr, ImageCacheSource::None);
        return nullptr;
    }
    if (auto image = imageFromMemoryCacheForKey(key)) {
        done(image, ImageCacheSource::Memory);
        return nullptr;
    }
    auto operation = std::make_shared<foundation::Operation>();
    m_ioQueue->async([self = shared_from_this(), operation, key, done = std::move(done)]() mutable {
        if (operation->isCancelled())
            return;
        ImagePtr image = self->diskImageForKey(key);
        self->memorize(key, image);
        foundation::DispatchQueue::main()->async(
            [image = std::move(image), done = std::move(done)] { done(image, ImageCacheSource::Disk); });
    });
    return operation;
}

ImagePtr ImageCache::imageFromMemoryCacheForKey(const std::string& key)
{
    return m_memCache.objectForKey(key).value_or(nullptr);
}

ImagePtr ImageCache::imageFromDiskCacheForKey(const std::string& key)
{
    if (auto image = imageFromMemoryCacheForKey(key))
        return image;
    ImagePtr image = diskImageForKey(key);
    memorize(key, image);
    return image;
}

ImagePtr ImageCache::diskImageForKey(const std::string& key)
{
    auto data = diskImageDataBySearchingAllPathsForKey(key);
    if (!data)
        return nullptr;
    ImagePtr image = ScaledImageForKey(key, ImageDecoding::ic_imageWithData(*data));
    if (image && m_shouldDecompressImages)
        image = ImageDecoding::decodedImageWithImage(image);
    return image;
}

std::optional<std::string> ImageCache::diskImageDataBySearchingAllPathsForKey(const std::string& key) const
{
    if (auto data = foundation::Paths::readFile(defaultCachePathForKey(key)); data.isOk())
        return std::move(data.value());
    std::vector<std::filesystem::path> paths;
    {
        std::lock_guard lock(m_customPathsMutex);
        paths = m_customPaths;
    }
    for (const auto& path : paths) {
        if (auto data = foundation::Paths::readFile(cachePathForKey(key, path)); data.isOk())
            return std::move(data.value());
    }
    return std::nullopt;
}

bool ImageCache::diskImageExistsWithKey(const std::string& key) const
{
    std::error_code error;
    return std::filesystem::exists(defaultCachePathForKey(key), error);
}

void ImageCache::diskImageExistsWithKey(const std::string& key, CheckBlock completion)
{
    m_ioQueue->async([self = shared_from_this(), key, completion = std::move(completion)]() mutable {
        bool const exists = self->diskImageExistsWithKey(key);
        if (completion)
            onMain([completion = std::move(completion), exists] { completion(exists); });
    });
}

void ImageCache::removeImageForKey(const std::string& key, bool fromDisk, CompletionBlock completion)
{
    if (key.empty())
        return;
    if (m_shouldCacheImagesInMemory)
        m_memCache.removeObjectForKey(key);
    if (!fromDisk) {
        if (completion)
            completion();
        return;
    }
    m_ioQueue->async([self = shared_from_this(), key, completion = std::move(completion)]() mutable {
        std::error_code error;
        std::filesystem::remove(self->defaultCachePathForKey(key), error);
        onMain(std::move(completion));
    });
}

void ImageCache::clearMemory()
{
    m_memCache.removeAllObjects();
}

void ImageCache::clearDiskOnCompletion(CompletionBlock completion)
{
    m_ioQueue->async([self = shared_from_this(), completion = std::move(completion)]() mutable {
        std::error_code error;
        std::vector<std::filesystem::path> entries;
        for (std::filesystem::directory_iterator it(self->m_diskCachePath, error), end; !error && it != end;
             it.increment(error))
            entries.push_back(it->path());
        // remove_all on a link removes the link, not what it points at.
        for (const auto& entry : entries)
            std::filesystem::remove_all(entry, error);
        (void)foundation::Paths::createDirectories(self->m_diskCachePath);
        onMain(std::move(completion));
    });
}

void ImageCache::cleanDiskWithCompletionBlock(CompletionBlock completion)
{
    m_ioQueue->async([self = shared_from_this(), completion = std::move(completion)]() mutable {
        auto const now = std::filesystem::file_time_type::clock::now();
        auto const expiry = expiryBefore(now, self->m_maxCacheAge.load());
        std::vector<DiskEntry> kept;
        std::uint64_t total = 0;
        std::error_code error;
        for (DiskEntry& entry : listFiles(self->m_diskCachePath)) {
            if (expiry != std::filesystem::file_time_type::min() && entry.modified <= expiry) {
                std::filesystem::remove(entry.path, error);
                continue;
            }
            total += entry.size;
            kept.push_back(std::move(entry));
        }
        std::uint64_t const limit = self->m_maxCacheSize;
        if (limit > 0 && total > limit) {
            std::uint64_t const target = limit / 2;
            std::sort(kept.begin(), kept.end(),
                [](const auto& a, const auto& b) { return a.modified < b.modified; });
            for (const DiskEntry& entry : kept) {
                if (std::filesystem::remove(entry.path, error)) {
                    total -= entry.size;
                    if (total < target)
                        break;
                }
            }
        }
        onMain(std::move(completion));
    });
}

void ImageCache::backgroundCleanDisk()
{
    kit::Application* application = kit::Application::sharedApplication();
    if (!application)
        return;
    auto task = std::make_shared<std::atomic<kit::Application::BackgroundTaskIdentifier>>(
        kit::Application::invalidBackgroundTask);
    auto end = [task] {
        if (auto* app = kit::Application::sharedApplication()) {
            auto const id = task->exchange(kit::Application::invalidBackgroundTask);
            if (id != kit::Application::invalidBackgroundTask)
                app->endBackgroundTask(id);
        }
    };
    task->store(application->beginBackgroundTask(end));
    cleanDiskWithCompletionBlock(end);
}

std::uint64_t ImageCache::getSize()
{
    std::uint64_t size = 0;
    m_ioQueue->sync([&] {
        std::error_code error;
        for (std::filesystem::directory_iterator it(m_diskCachePath, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code sizeError;
            if (auto bytes = it->file_size(sizeError); !sizeError)
                size += bytes;
        }
    });
    return size;
}

std::size_t ImageCache::getDiskCount()
{
    std::size_t count = 0;
    m_ioQueue->sync([&] {
        std::error_code error;
        for (std::filesystem::directory_iterator it(m_diskCachePath, error), end; !error && it != end;
             it.increment(error))
            ++count;
    });
    return count;
}

void ImageCache::calculateSizeWithCompletionBlock(CalculateSizeBlock completion)
{
    m_ioQueue->async([self = shared_from_this(), completion = std::move(completion)]() mutable {
        std::size_t count = 0;
        std::uint64_t size = 0;
        for (const DiskEntry& entry : listFiles(self->m_diskCachePath)) {
            ++count;
            std::error_code error;
            size += std::filesystem::file_size(entry.path, error);
        }
        if (completion)
            onMain([completion = std::move(completion), count, size] { completion(count, size); });
    });
}

} // namespace imagecache
