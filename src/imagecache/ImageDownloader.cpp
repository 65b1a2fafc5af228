#include "imagecache/ImageDownloader.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/OperationQueue.h"

#include <algorithm>

namespace imagecache {

namespace {

ImageDownloader::OperationFactory defaultOperationClass()
{
    return [](net::URLRequest request, unsigned options, ImageDownloader::ProgressBlock progress,
               ImageDownloader::CompletedBlock completed, ImageDownloaderOperation::CancelBlock cancelled) {
        return std::make_shared<ImageDownloaderOperation>(
            std::move(request), options, std::move(progress), std::move(completed), std::move(cancelled));
    };
}

} // namespace

std::shared_ptr<ImageDownloader> ImageDownloader::sharedDownloader()
{
    static foundation::NeverDestroyed<std::shared_ptr<ImageDownloader>> shared(create());
    return shared.get();
}

std::shared_ptr<ImageDownloader> ImageDownloader::create()
{
    return std::make_shared<ImageDownloader>(Private {});
}

ImageDownloader::ImageDownloader(Private)
    : m_operationClass(defaultOperationClass())
    , m_downloadQueue(std::make_shared<foundation::OperationQueue>())
    , m_decodeBudget(DecodeBudget::create())
{
    m_HTTPHeaders.set("Accept", "image/*;q=0.8");
    m_downloadQueue->setMaxConcurrentOperationCount(6);
    m_downloadQueue->setName("com.tallowmere.ImageDownloader");
}

ImageDownloader::~ImageDownloader()
{
    m_downloadQueue->cancelAllOperations();
}

void ImageDownloader::setValueForHTTPHeaderField(std::optional<std::string> value, std::string_view field)
{
    std::lock_guard lock(m_mutex);
    if (value) {
        m_HTTPHeaders.set(field, std::move(value));
        return;
    }
    net::HTTPHeaders kept;
    for (const auto& [name, fieldValue] : m_HTTPHeaders.fields()) {
        if (!net::HTTPHeaders::namesEqual(name, field))
            kept.add(name, fieldValue);
    }
    m_HTTPHeaders = std::move(kept);
}

std::optional<std::string> ImageDownloader::valueForHTTPHeaderField(std::string_view field) const
{
    std::lock_guard lock(m_mutex);
    return m_HTTPHeaders.value(field);
}

void ImageDownloader::setMaxConcurrentDownloads(long count)
{
    m_downloadQueue->setMaxConcurrentOperationCount(count);
}

long ImageDownloader::maxConcurrentDownloads() const
{
    return m_downloadQueue->maxConcurrentOperationCount();
}

std::size_t ImageDownloader::currentDownloadCount() const
{
    return m_downloadQueue->operationCount();
}

void ImageDownloader::setSuspended(bool suspended)
{
    m_downloadQueue->setSuspended(suspended);
}

void ImageDownloader::setOperationClass(OperationFactory factory)
{
    std::lock_guard lock(m_mutex);
    m_operationClass = factory ? std::move(factory) : defaultOperationClass();
}

void ImageDownloader::setUsername(std::optional<std::string> username)
{
    std::lock_guard lock(m_mutex);
    m_username = std::move(username);
}

void ImageDownloader::setPassword(std::optional<std::string> password)
{
    std::lock_guard lock(m_mutex);
    m_password = std::move(password);
}

void ImageDownloader::setHeadersFilter(HeadersFilter filter)
{
    std::lock_guard lock(m_mutex);
    m_headersFilter = std::move(filter);
}

std::shared_ptr<ImageDownloadToken> ImageDownloader::downloadImageWithURL(
    const std::string& url, unsigned options, ProgressBlock progress, CompletedBlock completed)
{
    if (url.empty()) {
        if (completed)
            completed(nullptr, std::nullopt, std::nullopt, false);
        return nullptr;
    }
    std::shared_ptr<ImageDownloaderOperation> operation;
    std::uint64_t id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextId++;
        auto [it, first] = m_URLCallbacks.try_emplace(url);
        if (!first) {
            // A download that is over, or on its way out, cannot be joined.
            auto running = it->second.operation.lock();
            first = !running || running->isCancelled() || running->isFinished();
        }
        if (first) {
            operation = makeOperation(url, options, id);
            it->second = Entry { id, operation, {} };
        }
        it->second.callbacks.push_back({ id, std::move(progress), std::move(completed) });
        if (operation) {
            if (options & FetchHighPriority)
                operation->setQueuePriority(foundation::OperationQueuePriority::High);
            else if (options & FetchLowPriority)
                operation->setQueuePriority(foundation::OperationQueuePriority::Low);
            if (m_executionOrder == DownloadOrder::LIFO) {
                if (auto last = m_lastAddedOperation.lock())
                    last->addDependency(operation);
            }
            m_lastAddedOperation = operation;
        }
    }
    if (operation)
        m_downloadQueue->addOperation(operation);
    return std::make_shared<ImageDownloadToken>(weak_from_this(), url, id, operation);
}

// Called with m_mutex held.
std::shared_ptr<ImageDownloaderOperation> ImageDownloader::makeOperation(
    const std::string& url, unsigned options, std::uint64_t downloadId)
{
    double const timeout = m_downloadTimeout == 0 ? defaultTimeout : m_downloadTimeout.load();
    net::URLRequest request(url,
        (options & FetchUseURLCache) ? net::URLRequestCachePolicy::UseProtocolCachePolicy
                                     : net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData,
        timeout);
    // Only the caller who knows the server may waive its certificate checks.
    request.setAllowsInvalidCertificates((options & FetchAllowInvalidCertificates) != 0);
    request.setHTTPShouldHandleCookies((options & FetchHandleCookies) != 0);
    net::HTTPHeaders const headers = m_headersFilter ? m_headersFilter(url, m_HTTPHeaders) : m_HTTPHeaders;
    for (const auto& [name, value] : headers.fields())
        request.setValueForHTTPHeaderField(value, name);

    std::weak_ptr<ImageDownloader> weak = weak_from_this();
    auto progress = [weak, url, downloadId](std::int64_t received, std::int64_t expected) {
        auto self = weak.lock();
        if (!self)
            return;
        for (Callback& callback : self->callbacksFor(url, downloadId, false)) {
            if (callback.progress) {
                foundation::DispatchQueue::main()->async([block = std::move(callback.progress), received,
                                                             expected] { block(received, expected); });
            }
        }
    };
    auto completed = [weak, url, downloadId](ImagePtr image, std::optional<std::string> data,
                         std::optional<ImageError> error, bool finished) {
        auto self = weak.lock();
        if (!self)
            return;
        for (Callback& callback : self->callbacksFor(url, downloadId, finished)) {
            if (callback.completed)
                callback.completed(image, data, error, finished);
        }
    };
    auto cancelled = [weak, url, downloadId] {
        if (auto self = weak.lock())
            self->callbacksFor(url, downloadId, true);
    };
    auto operation
        = m_operationClass(request, options, std::move(progress), std::move(completed), std::move(cancelled));
    // The transport of the moment the image was asked for, taken on the
    // asking thread: a download that starts later on a worker neither
    // outlives a test's stand-in transport nor sets up the real network there.
    operation->setTransport(net::Transport::current());
    operation->setShouldDecompressImages(m_shouldDecompressImages);
    operation->setMaximumBodySize(m_maximumImageBytes);
    operation->setDecodeBudget(m_decodeBudget);
    if (m_username && m_password)
        operation->setCredential(std::make_pair(*m_username, *m_password));
    return operation;
}

std::vector<ImageDownloader::Callback> ImageDownloader::callbacksFor(
    const std::string& url, std::uint64_t downloadId, bool remove)
{
    std::lock_guard lock(m_mutex);
    auto it = m_URLCallbacks.find(url);
    // The entry may already belong to a later download of the same URL.
    if (it == m_URLCallbacks.end() || it->second.downloadId != downloadId)
        return {};
    std::vector<Callback> callbacks = it->second.callbacks;
    if (remove)
        m_URLCallbacks.erase(it);
    return callbacks;
}

void ImageDownloader::cancelRequester(const std::string& url, std::uint64_t id)
{
    std::shared_ptr<ImageDownloaderOperation> operation;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_URLCallbacks.find(url);
        if (it == m_URLCallbacks.end())
            return;
        auto& callbacks = it->second.callbacks;
        std::erase_if(callbacks, [id](const Callback& callback) { return callback.id == id; });
        if (!callbacks.empty())
            return;
        operation = it->second.operation.lock();
        m_URLCallbacks.erase(it);
    }
    if (operation)
        operation->cancel();
}

} // namespace imagecache
