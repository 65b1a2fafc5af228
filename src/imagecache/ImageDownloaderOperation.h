#pragma once

#include "imagecache/DecodeBudget.h"
#include "imagecache/ImageDecoding.h"
#include "imagecache/ImageError.h"
#include "imagecache/ImageOperation.h"
#include "platform/foundation/Operation.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/Transport.h"
#include "platform/net/URLRequest.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace foundation {
class DispatchQueue;
}

namespace net {
class URLCache;
}

namespace imagecache {

// One image download: a concurrent operation that moves the request through
// the transport, follows redirects, keeps the body (never past a cap, whatever
// Content-Length says), then decodes, scales and finishes the image. With
// FetchProgressive, what has arrived of a PNG or JPEG is shown on the way, a
// few times per download, as images that are not finished.
//
// Decoding waits for its share of the decode budget, when the operation has
// one: a picture that alone needs more than the whole budget is refused as
// too large, and a partial picture that does not fit at once is skipped.
//
// The transport reports on its one network thread, which the signed client
// shares, so every event is handed at once to a serial queue of this
// operation: decoding and the completion (which may wait for the main thread)
// run there, never on the network thread.
//
// A request whose cache policy reads the URL cache (FetchUseURLCache) goes
// through the shared URLCache. With FetchIgnoreCachedResponse an answer the
// cache gave (fresh, or confirmed by a 304) completes with no image and no
// error: the caller already shows what it had.
class ImageDownloaderOperation : public foundation::Operation, public ImageOperation {
public:
    using ProgressBlock = std::function<void(std::int64_t receivedSize, std::int64_t expectedSize)>;
    using CompletedBlock = std::function<void(
        ImagePtr image, std::optional<std::string> data, std::optional<ImageError> error, bool finished)>;
    using CancelBlock = std::function<void()>;

    static constexpr const char* startNotification = "ImageDownloadStartNotification";
    static constexpr const char* receiveResponseNotification = "ImageDownloadReceiveResponseNotification";
    static constexpr const char* stopNotification = "ImageDownloadStopNotification";
    static constexpr const char* finishNotification = "ImageDownloadFinishNotification";

    // What a body may hold unless the downloader says otherwise.
    static constexpr std::size_t defaultMaximumBodySize = 16u * 1024 * 1024;
    // As many as the phone platform follows.
    static constexpr int maximumRedirects = 16;
    static constexpr int dataLengthExceedsMaximum = net::URLError::DataLengthExceedsMaximum;
    // A partial picture is decoded again once this many more bytes, or a
    // sixteenth of the body, have arrived since the last one.
    static constexpr std::size_t partialDecodeStep = 1024;

    ImageDownloaderOperation(net::URLRequest request, unsigned options, ProgressBlock progress,
        CompletedBlock completed, CancelBlock cancelled);
    ~ImageDownloaderOperation() override;

    void start() override;
    // Carried out on the operation's queue; returns at once. No block is
    // called afterwards.
    void cancel() override;
    bool isConcurrent() const override { return true; }

    const net::URLRequest& request() const { return m_request; }
    unsigned options() const { return m_options; }
    bool shouldContinueWhenAppEntersBackground() const;

    void setShouldDecompressImages(bool value) { m_shouldDecompressImages = value; }
    bool shouldDecompressImages() const { return m_shouldDecompressImages; }
    void setShouldUseCredentialStorage(bool value) { m_shouldUseCredentialStorage = value; }
    bool shouldUseCredentialStorage() const { return m_shouldUseCredentialStorage; }
    // Sent (as Basic authorisation) when the server asks for credentials, once.
    void setCredential(std::optional<std::pair<std::string, std::string>> userAndPassword);
    void setMaximumBodySize(std::size_t bytes) { m_maximumBodySize = bytes; }
    // Shared by the downloads of a downloader; none means decodes never wait.
    void setDecodeBudget(std::shared_ptr<DecodeBudget> budget) { m_decodeBudget = std::move(budget); }
    // The transport to send through; without one, the one installed when the
    // download starts. Set before the operation is queued.
    void setTransport(std::shared_ptr<net::Transport> transport) { m_transport = std::move(transport); }

    // Set by the time the receive-response notification is posted.
    std::int64_t expectedSize() const { return m_expectedSize; }

    static graphics::Image::Orientation orientationFromPropertyValue(int value);
    static ImagePtr scaledImageForKey(std::string_view key, const ImagePtr& image);

private:
    void begin();
    void send(net::URLRequest request);
    void didReceiveResponse(const net::HTTPURLResponse& response);
    void didReceiveData(const std::string& bytes);
    void didComplete(const std::optional<net::URLError>& error);
    void finishLoading();
    void decodeAndComplete(DecodeBudget::ReservationPtr reservation, bool refused);
    void complete(const CompletedBlock& completed, bool refused);
    void decodePartial();
    void fail(ImageError error);
    void cancelInternal();
    void done();
    void postOnMain(const char* notification);
    void progress(std::int64_t received, std::int64_t expected);

    const net::URLRequest m_request;
    const unsigned m_options;
    // Blocks and transfer state: touched only on m_queue once started.
    ProgressBlock m_progressBlock;
    CompletedBlock m_completedBlock;
    CancelBlock m_cancelBlock;
    std::shared_ptr<foundation::DispatchQueue> m_queue;
    std::shared_ptr<net::Transport> m_transport;
    // The URL cache the request goes through, when it uses one.
    std::shared_ptr<net::URLCache> m_urlCache;
    // Until a response from the network is offered to the URL cache, the answer
    // may be the cache's own.
    std::shared_ptr<std::atomic<bool>> m_responseFromCache = std::make_shared<std::atomic<bool>>(true);
    std::optional<net::Transport::TaskId> m_task;
    net::URLRequest m_current;
    std::optional<net::URLRequest> m_next;
    int m_redirectsLeft;
    bool m_credentialSent = false;
    bool m_accepted = false;
    bool m_done = false;
    std::string m_imageData;
    std::shared_ptr<DecodeBudget> m_decodeBudget;
    // Where the last partial picture was decoded, and how far it had come.
    std::size_t m_partialDecodedAt = 0;
    std::uint64_t m_partialProgress = 0;
    std::optional<std::pair<std::string, std::string>> m_credential;
    std::atomic<std::int64_t> m_expectedSize { 0 };
    std::atomic<std::size_t> m_maximumBodySize { defaultMaximumBodySize };
    std::atomic<bool> m_shouldDecompressImages { true };
    std::atomic<bool> m_shouldUseCredentialStorage { true };
    unsigned long m_backgroundTask = 0;
};

} // namespace imagecache
