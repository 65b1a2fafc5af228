#pragma once

#include "platform/graphics/StillBitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace graphics {

// TIFF over libtiff, read from memory: the first image of the file, in either
// byte order, classic or big, in strips or tiles, of any layout libtiff's
// RGBA reader takes (bilevel, grey, palette, RGB, CMYK, YCbCr, with or
// without alpha, 1 to 16 bits a sample). Rows come out as stored: the
// orientation tag is the image's to apply, as a JPEG's EXIF tag is.
//
// libtiff says nothing on standard error and allocates nothing past the
// largest picture asked for; a damaged file is refused, not half decoded.
class TiffDecoder {
public:
    struct Header {
        int width = 0;
        int height = 0;
        // What libtiff reads one strip or tile into, for every plane.
        std::uint64_t workingBytes = 0;
    };

    // nullopt for data libtiff cannot open or whose first image has no size.
    static std::optional<Header> readHeader(std::span<const std::uint8_t> bytes);
    // nullopt for damaged data, layouts libtiff cannot turn into RGBA and
    // pictures of more than `maxPixels`.
    static std::optional<StillBitmap> decode(std::span<const std::uint8_t> bytes, long long maxPixels);
    // "II*\0" or "MM\0*", or the same with 43 for a big TIFF.
    static bool hasSignature(std::span<const std::uint8_t> bytes);
};

} // namespace graphics
