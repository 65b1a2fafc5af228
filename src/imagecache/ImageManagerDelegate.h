#pragma once

#include "imagecache/ImageDecoding.h"

#include <optional>
#include <string>

namespace imagecache {

class ImageManager;

// Both methods are optional: the defaults answer "not implemented".
class ImageManagerDelegate {
public:
    virtual ~ImageManagerDelegate() = default;
    // false stops the download of an image that is not cached.
    virtual std::optional<bool> imageManagerShouldDownloadImageForURL(
        ImageManager&, const std::string& /*url*/)
    {
        return std::nullopt;
    }
    // The image to cache and deliver in place of the downloaded one. Runs on
    // a worker thread.
    virtual std::optional<ImagePtr> imageManagerTransformDownloadedImage(
        ImageManager&, const ImagePtr& /*image*/, const std::string& /*url*/)
    {
        return std::nullopt;
    }
};

} // namespace imagecache
