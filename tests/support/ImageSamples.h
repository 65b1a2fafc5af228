#pragma once

#include "platform/graphics/Image.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace support {

// How a TIFF sample lays its picture out.
struct SampleTiffLayout {
    bool bigEndian = false;
    // A big TIFF (version 43, 8-byte offsets).
    bool bigTiff = false;
    // Tiles of 16 x 16 pixels, else strips of `rowsPerStrip` rows.
    bool tiled = false;
    int rowsPerStrip = 3;
    // One plane a sample, else samples side by side.
    bool separatePlanes = false;
    // One grey sample (the green channel), else red, green and blue.
    bool grey = false;
    enum class Alpha { None, Associated, Unassociated } alpha = Alpha::None;
    // 8 or 16.
    int bitsPerSample = 8;
    bool lzw = false;
    std::optional<int> orientation = std::nullopt;
};
// How a WebP sample is encoded.
struct SampleWebPLayout {
    bool lossless = true;
    int quality = 90;
    // Written as an EXIF chunk in an extended file.
    std::optional<int> exifOrientation = std::nullopt;
};

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

    using TiffLayout = SampleTiffLayout;
    using WebPLayout = SampleWebPLayout;

    // A width x height one-colour bitmap (0xAARRGGBB, premultiplied).
    static std::shared_ptr<const graphics::Image> solid(int width, int height, std::uint32_t argb);
    static std::string png(int width, int height, std::uint32_t argb);
    // A JPEG whose EXIF block carries the orientation tag.
    static std::string jpeg(
        int width, int height, std::uint32_t rgb, std::optional<int> exifOrientation = {});
    static std::string gif(int width, int height, const std::vector<GifFrame>& frames);
    // `straight` holds width x height 0xAARRGGBB words, not premultiplied:
    // what each format stores is made from them.
    static std::string tiff(
        int width, int height, const std::vector<std::uint32_t>& straight, const TiffLayout& layout = {});
    static std::string webp(
        int width, int height, const std::vector<std::uint32_t>& straight, const WebPLayout& layout = {});
    // A little-endian TIFF of 4 x 4 white pixels in one strip whose header
    // claims `width` x `height`: a hostile file.
    static std::string tiffClaiming(std::uint32_t width, std::uint32_t height);
    // An animation of lossless frames of `frameMilliseconds` each.
    static std::string animatedWebp(
        int width, int height, const std::vector<std::vector<std::uint32_t>>& frames, int frameMilliseconds);
    // An image's words, for the encoders above (an opaque one's are straight).
    static std::vector<std::uint32_t> wordsOf(const graphics::Image& image);

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
