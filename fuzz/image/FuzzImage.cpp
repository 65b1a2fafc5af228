// Image bytes arrive from the network as well as from files, so every decoder
// is fed arbitrary bytes: the still decoders, the GIF animation decoder and
// the EXIF reader. Whatever a decoder accepts must be a bitmap the painting
// code can trust: a pixel buffer as large as the dimensions say, premultiplied
// words, and opaque pixels when it claims to have no alpha. What is accepted
// must also survive being written out again, as the disk cache does.
//
// Pictures are capped far below the app's limits, so time goes into the
// parsers rather than into filling huge bitmaps.

#include "platform/graphics/ExifReader.h"
#include "platform/graphics/GifDecoder.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageEncoder.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

constexpr long long MaxFuzzPixels = 512 * 512;

void checkPixels(const std::uint32_t* pixels, std::size_t count, bool hasAlpha)
{
    // Reading every word lets the address sanitizer see a buffer shorter than
    // the dimensions.
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t const pixel = pixels[i];
        std::uint32_t const alpha = pixel >> 24;
        if (((pixel >> 16) & 0xff) > alpha || ((pixel >> 8) & 0xff) > alpha || (pixel & 0xff) > alpha)
            std::abort();
        if (!hasAlpha && alpha != 0xff)
            std::abort();
    }
}

void fuzzStill(std::span<const std::uint8_t> bytes)
{
    auto const image = graphics::Image::fromData(bytes, 1.0, MaxFuzzPixels);
    if (!image)
        return;
    int const width = image->pixelWidth();
    int const height = image->pixelHeight();
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > MaxFuzzPixels)
        std::abort();
    checkPixels(image->pixels(), static_cast<std::size_t>(width) * height, image->hasAlpha());
    auto const png = graphics::ImageEncoder::png(*image);
    if (!png)
        std::abort();
    auto const again = graphics::Image::fromData(*png);
    if (!again || again->pixelWidth() != width || again->pixelHeight() != height)
        std::abort();
}

void fuzzAnimation(std::span<const std::uint8_t> bytes)
{
    graphics::GifDecoder::Limits limits;
    limits.maxCanvasPixels = MaxFuzzPixels;
    limits.maxTotalPixels = 4 * MaxFuzzPixels;
    limits.maxFrames = 64;
    auto const animation = graphics::GifDecoder::decode(bytes, limits);
    if (!animation)
        return;
    std::size_t const canvas = static_cast<std::size_t>(animation->width) * animation->height;
    if (animation->frames.empty() || animation->frames.size() > 64
        || static_cast<long long>(canvas * animation->frames.size()) > limits.maxTotalPixels)
        std::abort();
    for (const auto& frame : animation->frames) {
        if (frame.pixels.size() != canvas || (frame.delay && *frame.delay < 0))
            std::abort();
        checkPixels(frame.pixels.data(), canvas, true);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span const bytes(data, size);
    fuzzStill(bytes);
    fuzzAnimation(bytes);
    if (auto const orientation = graphics::ExifReader::jpegOrientation(bytes);
        orientation && *orientation < 0)
        std::abort();
    return 0;
}
