#pragma once

#include "platform/graphics/StillBitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace graphics {

// WebP over libwebp, lossy or lossless, with or without alpha. An animated
// file gives the picture of its first frame on its canvas: nothing here
// plays WebP animations.
class WebPDecoder {
public:
    struct Header {
        int width = 0;
        int height = 0;
        bool animated = false;
    };

    // From the headers alone, which may be all that has arrived.
    static std::optional<Header> readHeader(std::span<const std::uint8_t> bytes);
    // nullopt for data cut short, damaged data and pictures of more than
    // `maxPixels`.
    static std::optional<StillBitmap> decode(std::span<const std::uint8_t> bytes, long long maxPixels);
};

} // namespace graphics
