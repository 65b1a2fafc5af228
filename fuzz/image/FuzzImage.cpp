// Image bytes arrive from the network as well as from files, so the decoder
// is fed arbitrary bytes. Whatever it accepts must be a bitmap the painting
// code can trust: a pixel buffer as large as the dimensions say, premultiplied
// words, and opaque pixels when it claims to have no alpha.

#include "platform/graphics/Image.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto const image = graphics::Image::fromData(std::span(data, size));
    if (!image)
        return 0;
    int const width = image->pixelWidth();
    int const height = image->pixelHeight();
    if (width <= 0 || height <= 0)
        std::abort();
    // Reading every word lets the address sanitizer see a buffer shorter than
    // the dimensions.
    std::uint32_t const* pixels = image->pixels();
    for (std::size_t i = 0, count = static_cast<std::size_t>(width) * height; i < count; ++i) {
        std::uint32_t const pixel = pixels[i];
        std::uint32_t const alpha = pixel >> 24;
        if (((pixel >> 16) & 0xff) > alpha || ((pixel >> 8) & 0xff) > alpha || (pixel & 0xff) > alpha)
            std::abort();
        if (!image->hasAlpha() && alpha != 0xff)
            std::abort();
    }
    return 0;
}
