#include "platform/graphics/ImageEncoder.h"

#include "platform/graphics/Image.h"
#include "platform/graphics/JpegErrorTrap.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <png.h>
#include <vector>

namespace graphics {

namespace {

std::vector<std::uint32_t> unpremultiplied(const Image& image)
{
    std::size_t const count = static_cast<std::size_t>(image.pixelWidth()) * image.pixelHeight();
    std::vector<std::uint32_t> pixels(image.pixels(), image.pixels() + count);
    for (std::uint32_t& p : pixels) {
        std::uint32_t const a = p >> 24;
        if (a == 255 || a == 0)
            continue;
        auto div = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
        p = a << 24 | div((p >> 16) & 0xff) << 16 | div((p >> 8) & 0xff) << 8 | div(p & 0xff);
    }
    return pixels;
}

// No objects with destructors live between setjmp and the compress calls:
// an error longjmps back over this frame.
bool compressJpeg(const Image& image, int quality, unsigned char*& buffer, unsigned long& size)
{
    jpeg_compress_struct info {};
    JpegErrorTrap trap {};
    info.err = trap.install(JpegErrorTrap::Warnings::Ignore);
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.pixelWidth());
    info.image_height = static_cast<JDIMENSION>(image.pixelHeight());
    info.input_components = 4;
    info.in_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg takes rows as non-const but only reads them.
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(
            image.pixels() + static_cast<std::size_t>(info.next_scanline) * image.pixelWidth()));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::optional<std::string> ImageEncoder::png(const Image& image)
{
    std::vector<std::uint32_t> const pixels = unpremultiplied(image);
    png_image info {};
    info.version = PNG_IMAGE_VERSION;
    info.width = static_cast<png_uint_32>(image.pixelWidth());
    info.height = static_cast<png_uint_32>(image.pixelHeight());
    // An opaque picture is written without an alpha channel, so reading it
    // back says it has none.
    std::vector<std::uint8_t> rgb;
    const void* rows = pixels.data();
    int stride = image.pixelWidth() * 4;
    if (image.hasAlpha()) {
        info.format = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    } else {
        info.format = PNG_FORMAT_RGB;
        rgb.reserve(pixels.size() * 3);
        for (std::uint32_t p : pixels) {
            rgb.push_back(static_cast<std::uint8_t>(p >> 16));
            rgb.push_back(static_cast<std::uint8_t>(p >> 8));
            rgb.push_back(static_cast<std::uint8_t>(p));
        }
        rows = rgb.data();
        stride = image.pixelWidth() * 3;
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(info, size, 0, rows, stride, nullptr))
        return std::nullopt;
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&info, bytes.data(), &size, 0, rows, stride, nullptr))
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

std::optional<std::string> ImageEncoder::jpeg(const Image& image, double quality)
{
    int const q
        = std::isfinite(quality) ? static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100)) : 100;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool const ok = compressJpeg(image, std::max(q, 1), buffer, size);
    std::optional<std::string> bytes;
    if (ok && buffer)
        bytes.emplace(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

} // namespace graphics
