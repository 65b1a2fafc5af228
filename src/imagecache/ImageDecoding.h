#pragma once

#include "platform/graphics/GifDecoder.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace imagecache {

using ImagePtr = std::shared_ptr<const graphics::Image>;

// Turning downloaded or cached bytes into images, as every load does: GIFs
// animated, JPEGs, TIFFs and WebPs turned by their EXIF orientation, every
// image given the scale its key names.
class ImageDecoding {
public:
    // What an animated GIF may hold in memory; the downloader and the cache
    // decode with these.
    static graphics::GifDecoder::Limits gifLimits();

    static std::span<const std::uint8_t> bytesOf(std::string_view data);

    static std::string ic_contentTypeForImageData(std::string_view data);
    // The older name.
    static std::string contentTypeForImageData(std::string_view data) { return ic_contentTypeForImageData(data); }
    // nullptr for no data and for anything no decoder here reads. An animated
    // WebP gives the still picture of its first frame.
    static ImagePtr ic_imageWithData(std::string_view data);
    static graphics::Image::Orientation ic_imageOrientationFromImageData(std::string_view data);
    static graphics::Image::Orientation ic_exifOrientationToiOSOrientation(int exifOrientation);
    // A GIF of one frame is a still image; more frames make an animated one
    // at the screen's scale.
    static ImagePtr ic_animatedGIFWithData(std::string_view data);
    // A GIF delay in seconds (absent: none was written) as a frame lasts it.
    static double ic_frameDuration(std::optional<double> delay);
    // From the asset folder: <name>@2x.gif on a screen of scale above 1,
    // then <name>.gif, then the named still image.
    static ImagePtr ic_animatedGIFNamed(std::string_view name);
    // Every frame scaled to cover `size` (in points) and centred, each frame
    // drawn on a cleared canvas so frames never bleed into each other.
    static ImagePtr ic_animatedImageByScalingAndCroppingToSize(const ImagePtr& image, graphics::Size size);
    // Our decoders always hand back a finished bitmap, so there is nothing
    // left to decode lazily: the image is returned as it is.
    static ImagePtr decodedImageWithImage(const ImagePtr& image);
};

// The image with the scale its key implies: "@2x." or "@3x." in a key of 8 or
// more characters, else the main screen's.
ImagePtr ScaledImageForKey(std::string_view key, const ImagePtr& image);

} // namespace imagecache
