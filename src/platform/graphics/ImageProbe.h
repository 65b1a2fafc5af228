#pragma once

#include "platform/graphics/GifDecoder.h"
#include "platform/graphics/ImageFormat.h"

#include <cstdint>
#include <optional>
#include <span>

namespace graphics {

// What decoding a file will cost before it is decoded, read from its headers
// (and, for a GIF, a walk over its frames that decompresses none of them), so
// that a caller can wait for memory, or refuse, before asking for it. Bytes
// cut short are fine once the header has arrived.
class ImageProbe {
public:
    struct Footprint {
        ImageFormat format = ImageFormat::Unknown;
        int width = 0;
        int height = 0;
        // Frames the decode keeps: 1 for a still picture.
        int frames = 1;
        // Whether the data holds several scans (progressive JPEG) or passes
        // (interlaced PNG) that each cover the whole picture.
        bool progressive = false;
        // The most the decoder holds at once: the pixels it hands back and
        // its working buffers, in bytes.
        std::uint64_t decodeBytes = 0;
    };

    // nullopt for data with no readable header, and for a GIF that
    // GifDecoder would refuse.
    static std::optional<Footprint> probe(
        std::span<const std::uint8_t> bytes, const GifDecoder::Limits& gifLimits = {});
};

} // namespace graphics
