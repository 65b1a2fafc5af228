// Image bytes arrive from the network as well as from files, so every decoder
// is fed arbitrary bytes: the still decoders (PNG, JPEG, GIF, TIFF through
// libtiff, WebP through libwebp), the GIF animation decoder, the partial
// decoders (on the whole input and on a part of it, as a download has it) and
// the EXIF reader of JPEG, TIFF and WebP files. Whatever a decoder accepts must be a bitmap the painting
// code can trust: a pixel buffer as large as the dimensions say, premultiplied
// words, and opaque pixels when it claims to have no alpha. What is accepted
// must also survive being written out again, as the disk cache does.
//
// The probe that reserves decoding memory must never count less than a
// decode that succeeds holds.
//
// Pictures are capped far below the app's limits, so time goes into the
// parsers rather than into filling huge bitmaps.

#include "platform/graphics/ExifReader.h"
#include "platform/graphics/GifDecoder.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageEncoder.h"
#include "platform/graphics/ImageProbe.h"
#include "platform/graphics/ProgressiveDecoder.h"

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

// A footprint smaller than the pixels a decode handed back.
void checkFootprint(std::span<const std::uint8_t> bytes, const graphics::GifDecoder::Limits& limits, int width,
    int height, std::size_t frames)
{
    auto const footprint = graphics::ImageProbe::probe(bytes, limits);
    if (!footprint || footprint->width != width || footprint->height != height
        || static_cast<std::size_t>(footprint->frames) < frames
        || footprint->decodeBytes < static_cast<std::uint64_t>(width) * height * 4 * frames)
        std::abort();
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
    if (!graphics::GifDecoder::hasSignature(bytes)) {
        graphics::GifDecoder::Limits limits;
        checkFootprint(bytes, limits, width, height, 1);
    }
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
    checkFootprint(bytes, limits, animation->width, animation->height, animation->frames.size());
}

void fuzzPartial(std::span<const std::uint8_t> bytes)
{
    auto const partial = graphics::ProgressiveDecoder::decode(bytes, MaxFuzzPixels);
    if (!partial)
        return;
    std::size_t const count = static_cast<std::size_t>(partial->width) * partial->height;
    if (partial->width <= 0 || partial->height <= 0 || static_cast<long long>(count) > MaxFuzzPixels
        || partial->pixels.size() != count || partial->progress == 0)
        std::abort();
    checkPixels(partial->pixels.data(), count, partial->hasAlpha);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span const bytes(data, size);
    fuzzStill(bytes);
    fuzzAnimation(bytes);
    fuzzPartial(bytes);
    // Cut where the last byte says, as a download stands part of the way.
    if (size > 1)
        fuzzPartial(bytes.first(size * data[size - 1] / 256));
    if (auto const orientation = graphics::ExifReader::orientation(bytes);
        orientation && *orientation < 0)
        std::abort();
    return 0;
}
