#include "imagecache/ImageDownloadToken.h"

#include "imagecache/ImageDownloader.h"

namespace imagecache {

ImageDownloadToken::ImageDownloadToken(std::weak_ptr<ImageDownloader> downloader, std::string url,
    std::uint64_t id, std::shared_ptr<ImageDownloaderOperation> operation)
    : m_downloader(std::move(downloader))
    , m_url(std::move(url))
    , m_id(id)
    , m_operation(std::move(operation))
{
}

void ImageDownloadToken::cancel()
{
    if (auto downloader = m_downloader.lock())
        downloader->cancelRequester(m_url, m_id);
}

} // namespace imagecache
