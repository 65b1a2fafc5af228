#include "imagecache/ImageDownloaderOperation.h"

#include "imagecache/ImageManager.h"
#include "imagecache/ImageOptions.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Application.h"
#include "platform/graphics/ImageProbe.h"
#include "platform/graphics/ProgressiveDecoder.h"
#include "platform/net/HTTPRedirect.h"
#include "platform/net/URLCache.h"
#include "platform/net/URLCachingTransport.h"

#include <algorithm>

namespace imagecache {

namespace {

std::string base64(std::string_view text)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        std::uint32_t chunk = std::uint8_t(text[i]) << 16;
        if (i + 1 < text.size())
            chunk |= std::uint8_t(text[i + 1]) << 8;
        if (i + 2 < text.size())
            chunk |= std::uint8_t(text[i + 2]);
        out += alphabet[chunk >> 18 & 63];
        out += alphabet[chunk >> 12 & 63];
        out += i + 1 < text.size() ? alphabet[chunk >> 6 & 63] : '=';
        out += i + 2 < text.size() ? alphabet[chunk & 63] : '=';
    }
    return out;
}

bool zeroSized(const ImagePtr& image)
{
    return !image || image->size().width <= 0 || image->size().height <= 0;
}

} // namespace

ImageDownloaderOperation::ImageDownloaderOperation(net::URLRequest request, unsigned options,
    ProgressBlock progress, CompletedBlock completed, CancelBlock cancelled)
    : m_request(std::move(request))
    , m_options(options)
    , m_progressBlock(std::move(progress))
    , m_completedBlock(std::move(completed))
    , m_cancelBlock(std::move(cancelled))
    , m_queue(foundation::DispatchQueue::createSerial("ImageDownloaderOperation"))
    , m_redirectsLeft(maximumRedirects)
{
}

ImageDownloaderOperation::~ImageDownloaderOperation() = default;

bool ImageDownloaderOperation::shouldContinueWhenAppEntersBackground() const
{
    return (m_options & FetchContinueInBackground) != 0;
}

void ImageDownloaderOperation::setCredential(
    std::optional<std::pair<std::string, std::string>> userAndPassword)
{
    m_credential = std::move(userAndPassword);
}

graphics::Image::Orientation ImageDownloaderOperation::orientationFromPropertyValue(int value)
{
    return ImageDecoding::ic_exifOrientationToiOSOrientation(value);
}

ImagePtr ImageDownloaderOperation::scaledImageForKey(std::string_view key, const ImagePtr& image)
{
    return ScaledImageForKey(key, image);
}

void ImageDownloaderOperation::start()
{
    auto self = std::static_pointer_cast<ImageDownloaderOperation>(shared_from_this());
    if (isCancelled()) {
        // Cancelled before it ran: its requesters are dropped all the same.
        m_queue->async([self] { self->cancelInternal(); });
        return;
    }
    setExecuting(true);
    m_queue->async([self] { self->begin(); });
}

void ImageDownloaderOperation::begin()
{
    if (isCancelled()) {
        cancelInternal();
        return;
    }
    if (shouldContinueWhenAppEntersBackground()) {
        if (auto* application = kit::Application::sharedApplication()) {
            std::weak_ptr<Operation> weak = weak_from_this();
            m_backgroundTask = application->beginBackgroundTask([weak] {
                if (auto self = weak.lock())
                    self->cancel();
            });
        }
    }
    if (!m_transport)
        m_transport = net::Transport::current();
    if (net::URLCachingTransport::usesCache(m_request)) {
        m_urlCache = net::URLCache::shared();
        m_transport = std::make_shared<net::URLCachingTransport>(m_transport, m_urlCache);
    }
    send(m_request);
    progress(0, -1);
    postOnMain(startNotification);
}

void ImageDownloaderOperation::send(net::URLRequest request)
{
    // The transport aborts a body past the cap, whatever Content-Length said.
    request.setMaximumResponseBytes(m_maximumBodySize);
    m_current = request;
    m_next.reset();
    std::weak_ptr<ImageDownloaderOperation> weak
        = std::static_pointer_cast<ImageDownloaderOperation>(shared_from_this());
    auto queue = m_queue;
    // Each event only changes threads here; the network thread goes straight
    // back to its other transfers.
    net::Transport::Events events;
    events.didReceiveResponse = [weak, queue](const net::HTTPURLResponse& response) {
        queue->async([weak, response] {
            if (auto self = weak.lock())
                self->didReceiveResponse(response);
        });
    };
    events.didReceiveData = [weak, queue](std::string_view bytes) {
        queue->async([weak, bytes = std::string(bytes)] {
            if (auto self = weak.lock())
                self->didReceiveData(bytes);
        });
    };
    events.didComplete = [weak, queue](const std::optional<net::URLError>& error) {
        queue->async([weak, error] {
            if (auto self = weak.lock())
                self->didComplete(error);
        });
    };
    // Asked on the network thread before its didComplete is queued, so the flag
    // is down by the time the completion looks at it.
    events.willCacheResponse
        = [fromCache = m_responseFromCache, policy = m_request.cachePolicy()](const net::HTTPURLResponse&) {
              fromCache->store(false);
              return policy != net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData;
          };
    m_task = m_transport->start(std::move(request), std::move(events));
}

void ImageDownloaderOperation::didReceiveResponse(const net::HTTPURLResponse& response)
{
    if (m_done)
        return;
    if (isCancelled()) {
        cancelInternal();
        return;
    }
    int const status = response.statusCode();
    if (net::HTTPRedirect::isRedirectStatus(status)) {
        auto step = net::HTTPRedirect::next(m_current, response);
        if (step.error) {
            fail(ImageError::from(*step.error));
            return;
        }
        if (step.next) {
            if (m_redirectsLeft-- == 0) {
                fail(ImageError::url(net::URLError::HTTPTooManyRedirects, m_request.url()));
                return;
            }
            m_next = std::move(step.next);
            return;
        }
    }
    if (status == 401 && m_credential && !m_credentialSent) {
        m_credentialSent = true;
        net::URLRequest next = m_current;
        next.setValueForHTTPHeaderField(
            "Basic " + base64(m_credential->first + ":" + m_credential->second), "Authorization");
        m_next = std::move(next);
        return;
    }
    if (status >= 400 || status == 304) {
        // A 304 is an error too: nothing here keeps a copy it could stand for.
        fail(ImageError::httpStatus(status, m_request.url()));
        return;
    }
    std::int64_t const length = response.expectedContentLength();
    if (length > 0 && static_cast<std::uint64_t>(length) > m_maximumBodySize) {
        fail(ImageError::url(dataLengthExceedsMaximum, m_request.url()));
        return;
    }
    m_accepted = true;
    m_expectedSize = length > 0 ? length : 0;
    m_imageData.clear();
    m_imageData.reserve(static_cast<std::size_t>(m_expectedSize.load()));
    progress(0, m_expectedSize);
    postOnMain(receiveResponseNotification);
}

void ImageDownloaderOperation::didReceiveData(const std::string& bytes)
{
    if (m_done || !m_accepted || m_next)
        return;
    if (isCancelled()) {
        cancelInternal();
        return;
    }
    m_imageData += bytes;
    if ((m_options & FetchProgressive) && m_expectedSize > 0 && m_completedBlock
        && static_cast<std::int64_t>(m_imageData.size()) < m_expectedSize)
        decodePartial();
    progress(static_cast<std::int64_t>(m_imageData.size()), m_expectedSize);
}

void ImageDownloaderOperation::decodePartial()
{
    // Every partial decode starts again from the first byte: spaced out, a
    // body arriving in small pieces costs some sixteen decodes, not one a piece.
    std::size_t const step
        = std::max(partialDecodeStep, static_cast<std::size_t>(m_expectedSize.load()) / 16);
    if (m_imageData.size() < m_partialDecodedAt + step)
        return;
    m_partialDecodedAt = m_imageData.size();
    auto const bytes = ImageDecoding::bytesOf(m_imageData);
    auto const format = graphics::sniffImageFormat(bytes);
    if (format != graphics::ImageFormat::Jpeg && format != graphics::ImageFormat::Png)
        return;
    DecodeBudget::ReservationPtr reservation;
    if (m_decodeBudget) {
        auto const footprint = graphics::ImageProbe::probe(bytes);
        reservation = footprint ? m_decodeBudget->tryReserve(footprint->decodeBytes) : nullptr;
        if (!reservation)
            return;
    }
    auto partial = graphics::ProgressiveDecoder::decode(bytes, graphics::Image::maxDecodePixels);
    // Only a picture that shows more than the last one is worth handing over.
    if (!partial || partial->progress <= m_partialProgress)
        return;
    m_partialProgress = partial->progress;
    ImagePtr image = graphics::Image::fromPixels(
        partial->width, partial->height, std::move(partial->pixels), 1.0, partial->hasAlpha);
    if (!image)
        return;
    image = image->withScale(1.0, ImageDecoding::ic_imageOrientationFromImageData(m_imageData));
    std::string const key = ImageManager::sharedManager()->cacheKeyForURL(m_request.url());
    image = scaledImageForKey(key, image);
    if (m_shouldDecompressImages)
        image = ImageDecoding::decodedImageWithImage(image);
    // The requesters hand it to the main thread and wait for it there, so
    // the partials and the final image arrive in the order decoded, and the
    // reservation is let go only once it has been handed over.
    m_completedBlock(image, std::nullopt, std::nullopt, false);
}

void ImageDownloaderOperation::didComplete(const std::optional<net::URLError>& error)
{
    if (m_done)
        return;
    m_task.reset();
    if (isCancelled()) {
        cancelInternal();
        return;
    }
    if (m_next && !error) {
        send(std::move(*m_next));
        return;
    }
    if (error) {
        fail(ImageError::from(*error));
        return;
    }
    finishLoading();
}

void ImageDownloaderOperation::finishLoading()
{
    postOnMain(stopNotification);
    postOnMain(finishNotification);
    // The URL cache answered when no response from the network was offered
    // to it and it holds one for the request that was answered: after a
    // redirect, the last one sent, not the one the load began with. Asked
    // only of a load that drops such answers.
    if ((m_options & FetchIgnoreCachedResponse) && m_responseFromCache->load() && m_urlCache
        && m_urlCache->hasCachedResponseForRequest(m_current)) {
        // The caller already shows this picture: nothing to decode.
        if (CompletedBlock completed = std::exchange(m_completedBlock, nullptr))
            completed(nullptr, std::nullopt, std::nullopt, true);
        done();
        return;
    }
    std::optional<graphics::ImageProbe::Footprint> footprint;
    if (m_decodeBudget && m_completedBlock && !m_imageData.empty())
        footprint = graphics::ImageProbe::probe(ImageDecoding::bytesOf(m_imageData), ImageDecoding::gifLimits());
    if (!footprint) {
        decodeAndComplete(nullptr, false);
        return;
    }
    // The reservation comes back to this operation's queue: no thread waits
    // for it, and a cancel meanwhile ends the download as usual.
    std::weak_ptr<ImageDownloaderOperation> weak
        = std::static_pointer_cast<ImageDownloaderOperation>(shared_from_this());
    m_decodeBudget->reserve(
        footprint->decodeBytes, [weak, queue = m_queue](DecodeBudget::ReservationPtr reservation) {
            queue->async([weak, reservation = std::move(reservation)]() mutable {
                bool const refused = !reservation;
                if (auto self = weak.lock())
                    self->decodeAndComplete(std::move(reservation), refused);
            });
        });
}

void ImageDownloaderOperation::decodeAndComplete(DecodeBudget::ReservationPtr reservation, bool refused)
{
    if (m_done)
        return;
    if (CompletedBlock completed = std::exchange(m_completedBlock, nullptr))
        complete(completed, refused);
    // Handed over (the requesters wait for the main thread): the memory is
    // now theirs, the cache's or gone.
    reservation.reset();
    done();
}

void ImageDownloaderOperation::complete(const CompletedBlock& completed, bool refused)
{
    if (refused) {
        completed(nullptr, std::nullopt, ImageError::tooLarge(), true);
    } else if (m_imageData.empty()) {
        completed(nullptr, std::nullopt, ImageError::image(0, "Image data is nil"), true);
    } else {
        std::string const key = ImageManager::sharedManager()->cacheKeyForURL(m_request.url());
        ImagePtr image = scaledImageForKey(key, ImageDecoding::ic_imageWithData(m_imageData));
        if (image && image->images().empty() && m_shouldDecompressImages)
            image = ImageDecoding::decodedImageWithImage(image);
        if (zeroSized(image))
            completed(nullptr, std::nullopt, ImageError::image(0, "Downloaded image has 0 pixels"), true);
        else
            completed(image, std::move(m_imageData), std::nullopt, true);
    }
}

void ImageDownloaderOperation::fail(ImageError error)
{
    if (m_task)
        m_transport->cancel(*m_task);
    m_task.reset();
    postOnMain(stopNotification);
    if (CompletedBlock completed = std::exchange(m_completedBlock, nullptr))
        completed(nullptr, std::nullopt, std::move(error), true);
    done();
}

void ImageDownloaderOperation::cancel()
{
    if (isFinished())
        return;
    Operation::cancel();
    m_queue->async([self = std::static_pointer_cast<ImageDownloaderOperation>(shared_from_this())] {
        if (!self->m_done && self->isExecuting())
            self->cancelInternal();
    });
}

void ImageDownloaderOperation::cancelInternal()
{
    if (m_done)
        return;
    if (CancelBlock cancelled = std::exchange(m_cancelBlock, nullptr))
        cancelled();
    if (m_task) {
        m_transport->cancel(*m_task);
        m_task.reset();
        postOnMain(stopNotification);
    }
    done();
}

void ImageDownloaderOperation::done()
{
    m_done = true;
    m_progressBlock = nullptr;
    m_completedBlock = nullptr;
    m_cancelBlock = nullptr;
    m_imageData.clear();
    m_imageData.shrink_to_fit();
    if (m_backgroundTask != kit::Application::invalidBackgroundTask) {
        if (auto* application = kit::Application::sharedApplication())
            application->endBackgroundTask(m_backgroundTask);
        m_backgroundTask = kit::Application::invalidBackgroundTask;
    }
    finish();
}

void ImageDownloaderOperation::postOnMain(const char* notification)
{
    // Held until posted, so every start is matched by a stop for observers.
    foundation::DispatchQueue::main()->async([notification, self = shared_from_this()] {
        foundation::NotificationCenter::defaultCenter().postNotificationName(notification, self);
    });
}

void ImageDownloaderOperation::progress(std::int64_t received, std::int64_t expected)
{
    if (m_progressBlock)
        m_progressBlock(received, expected);
}

} // namespace imagecache
