#pragma once

#include "platform/graphics/Image.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace support {

// Pictures made on the spot for image tests and test servers.
class ImageSamples {
public:
    struct GifFrame {
        int left = 0, top = 0, width = 0, height = 0;
        // Index into the palette: 0 transparent (when `transparent`), 1 red,
        // 2 green, 3 blue.
        int colour = 1;
        int disposal = 0;
        // Centiseconds; absent writes no control block.
        std::optional<int> delay = 0;
        bool transparent = false;
    };

    // A width x height one-colour bitmap (0xAARRGGBB, premultiplied).
    static std::shared_ptr<const graphics::Image> solid(int width, int height, std::uint32_t argb);
    static std::string png(int width, int height, std::uint32_t argb);
    // A JPEG whose EXIF block carries the orientation tag.
    static std::string jpeg(
        int width, int height, std::uint32_t rgb, std::optional<int> exifOrientation = {});
    static std::string gif(int width, int height, const std::vector<GifFrame>& frames);

    // A width x height opaque picture that changes across it (red grows to
    // the right, green downwards), so that every part of a file carries
    // something of its own.
    static std::shared_ptr<const graphics::Image> gradient(int width, int height);
    // The gradient as a progressive JPEG: a coarse scan of the whole picture
    // first, then scans that refine it.
    static std::string progressiveJpeg(int width, int height);
    // The gradient as a sequential JPEG: rows from top to bottom.
    static std::string sequentialJpeg(int width, int height);
    // The gradient as an RGB PNG, Adam7-interlaced or row by row.
    static std::string gradientPng(int width, int height, bool interlaced);
};

} // namespace support
