#pragma once

#include "imagecache/ImageDownloadToken.h"
#include "imagecache/ImageDownloaderOperation.h"
#include "imagecache/ImageOptions.h"
#include "platform/net/HTTPHeaders.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace foundation {
class OperationQueue;
}

namespace imagecache {

// Fetches images on a queue of its own (6 at once unless told otherwise).
// Requests for a URL already being fetched join that download: one transfer,
// every requester's blocks called in the order they asked.
//
// Its downloads share one decode budget (512 MiB unless told otherwise):
// what their decodes hold at once stays under it, a decode that does not fit
// waits for others to hand their images over, and an image that alone needs
// more is refused as too large.
class ImageDownloader : public std::enable_shared_from_this<ImageDownloader> {
    struct Private {
        explicit Private() = default;
    };

public:
    using ProgressBlock = ImageDownloaderOperation::ProgressBlock;
    using CompletedBlock = ImageDownloaderOperation::CompletedBlock;
    using HeadersFilter
        = std::function<net::HTTPHeaders(const std::string& url, const net::HTTPHeaders& headers)>;
    // Makes the operation of one download (a test may count or replace them).
    using OperationFactory
        = std::function<std::shared_ptr<ImageDownloaderOperation>(net::URLRequest request, unsigned options,
            ProgressBlock progress, CompletedBlock completed, ImageDownloaderOperation::CancelBlock)>;

    static constexpr double defaultTimeout = 15.0;

    static std::shared_ptr<ImageDownloader> sharedDownloader();
    static std::shared_ptr<ImageDownloader> create();
    explicit ImageDownloader(Private);
    // Cancels every download of its queue.
    ~ImageDownloader();
    ImageDownloader(const ImageDownloader&) = delete;
    ImageDownloader& operator=(const ImageDownloader&) = delete;

    // The requester's share of the download, or nullptr without a URL (the
    // completion has then been called with no image, not finished). Progress
    // reaches the main thread; the completion runs on the download's queue.
    std::shared_ptr<ImageDownloadToken> downloadImageWithURL(
        const std::string& url, unsigned options, ProgressBlock progress, CompletedBlock completed);

    void setValueForHTTPHeaderField(std::optional<std::string> value, std::string_view field);
    std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const;

    void setMaxConcurrentDownloads(long count);
    long maxConcurrentDownloads() const;
    std::size_t currentDownloadCount() const;
    void setSuspended(bool suspended);

    void setOperationClass(OperationFactory factory);
    void setExecutionOrder(DownloadOrder order) { m_executionOrder = order; }
    DownloadOrder executionOrder() const { return m_executionOrder; }
    // 0 means the default of 15 s.
    void setDownloadTimeout(double seconds) { m_downloadTimeout = seconds; }
    double downloadTimeout() const { return m_downloadTimeout; }
    void setUsername(std::optional<std::string> username);
    void setPassword(std::optional<std::string> password);
    void setHeadersFilter(HeadersFilter filter);
    void setShouldDecompressImages(bool value) { m_shouldDecompressImages = value; }
    bool shouldDecompressImages() const { return m_shouldDecompressImages; }
    // What the decodes in flight may hold together, in bytes.
    void setDecodeBudget(std::uint64_t bytes) { m_decodeBudget->setLimit(bytes); }
    const std::shared_ptr<DecodeBudget>& decodeBudget() const { return m_decodeBudget; }
    // The most bytes one image body may have.
    void setMaximumImageBytes(std::size_t bytes) { m_maximumImageBytes = bytes; }

    // Drops one requester; the download stops when none is left.
    void cancelRequester(const std::string& url, std::uint64_t id);

private:
    struct Callback {
        std::uint64_t id;
        ProgressBlock progress;
        CompletedBlock completed;
    };
    struct Entry {
        std::uint64_t downloadId;
        std::weak_ptr<ImageDownloaderOperation> operation;
        std::vector<Callback> callbacks;
    };

    std::shared_ptr<ImageDownloaderOperation> makeOperation(
        const std::string& url, unsigned options, std::uint64_t downloadId);
    std::vector<Callback> callbacksFor(const std::string& url, std::uint64_t downloadId, bool remove);

    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_URLCallbacks;
    net::HTTPHeaders m_HTTPHeaders;
    HeadersFilter m_headersFilter;
    OperationFactory m_operationClass;
    std::optional<std::string> m_username;
    std::optional<std::string> m_password;
    std::weak_ptr<ImageDownloaderOperation> m_lastAddedOperation;
    std::uint64_t m_nextId { 1 };
    std::shared_ptr<foundation::OperationQueue> m_downloadQueue;
    const std::shared_ptr<DecodeBudget> m_decodeBudget;
    std::atomic<DownloadOrder> m_executionOrder { DownloadOrder::FIFO };
    std::atomic<double> m_downloadTimeout { defaultTimeout };
    std::atomic<bool> m_shouldDecompressImages { true };
    std::atomic<std::size_t> m_maximumImageBytes { ImageDownloaderOperation::defaultMaximumBodySize };
};

} // namespace imagecache
