#pragma once

#include "imagecache/ImageOperation.h"

#include <cstdint>
#include <memory>
#include <string>

namespace imagecache {

class ImageDownloader;
class ImageDownloaderOperation;

// One requester's share of a download. Several requesters of one URL share
// one transfer; cancelling a token drops only its own callbacks, and the
// transfer stops when no requester is left.
class ImageDownloadToken final : public ImageOperation {
public:
    ImageDownloadToken(std::weak_ptr<ImageDownloader> downloader, std::string url, std::uint64_t id,
        std::shared_ptr<ImageDownloaderOperation> operation);

    void cancel() override;

    const std::string& url() const { return m_url; }
    // The download this request started; nullptr when it joined one already
    // under way for the same URL.
    const std::shared_ptr<ImageDownloaderOperation>& operation() const { return m_operation; }

private:
    std::weak_ptr<ImageDownloader> m_downloader;
    std::string m_url;
    std::uint64_t m_id;
    std::shared_ptr<ImageDownloaderOperation> m_operation;
};

} // namespace imagecache
