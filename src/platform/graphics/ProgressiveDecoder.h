#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace graphics {

// A picture from the first part of a PNG or JPEG file while the rest is on
// its way: the rows that have arrived of a sequential JPEG or a plain PNG,
// and every row of a progressive JPEG or an interlaced PNG at the detail of
// its finished scans or passes. Other formats give no partial picture.
//
// Each call decodes from the start (libjpeg's buffered-image mode over a
// source that suspends where the bytes end, libpng's progressive reader), so
// it costs a whole decode: callers space their calls out.
class ProgressiveDecoder {
public:
    struct Partial {
        int width = 0;
        int height = 0;
        // width x height premultiplied 0xAARRGGBB words; what has not
        // arrived is transparent.
        std::vector<std::uint32_t> pixels;
        bool hasAlpha = true;
        // Grows as the picture fills in (rows, finished scans or finished
        // passes): two partials of one file with the same mark look alike.
        std::uint64_t progress = 0;
    };

    // nullopt until something of the picture can be shown, for other
    // formats, for damaged data and for pictures of more than `maxPixels`.
    static std::optional<Partial> decode(std::span<const std::uint8_t> bytes, long long maxPixels);
};

} // namespace graphics
