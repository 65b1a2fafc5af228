#pragma once

#include <cstddef>
#include <string>

namespace imagecache {

class ImagePrefetcher;

// Both methods are optional.
class ImagePrefetcherDelegate {
public:
    virtual ~ImagePrefetcherDelegate() = default;
    virtual void imagePrefetcherDidPrefetchURL(ImagePrefetcher&, const std::string& /*url*/,
        std::size_t /*finishedCount*/, std::size_t /*totalCount*/)
    {
    }
    virtual void imagePrefetcherDidFinish(
        ImagePrefetcher&, std::size_t /*totalCount*/, std::size_t /*skippedCount*/)
    {
    }
};

} // namespace imagecache
