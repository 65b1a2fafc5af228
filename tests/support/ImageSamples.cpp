#include "support/ImageSamples.h"

#include "platform/graphics/ImageEncoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <stdexcept>

namespace support {

std::shared_ptr<const graphics::Image> ImageSamples::solid(int width, int height, std::uint32_t argb)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, argb);
    return graphics::Image::fromPixels(width, height, std::move(pixels), 1.0, (argb >> 24) != 0xff);
}

std::string ImageSamples::png(int width, int height, std::uint32_t argb)
{
    return *graphics::ImageEncoder::png(*solid(width, height, argb));
}

std::string ImageSamples::jpeg(int width, int height, std::uint32_t rgb, std::optional<int> exifOrientation)
{
    std::string bytes = *graphics::ImageEncoder::jpeg(*solid(width, height, 0xff000000u | rgb), 0.9);
    if (!exifOrientation)
        return bytes;
    // Big-endian TIFF with one IFD entry: orientation, SHORT, count 1.
    std::string tiff = std::string("MM\0\x2a\0\0\0\x08", 8) + std::string("\0\x01", 2)
        + std::string("\x01\x12\0\x03\0\0\0\x01", 8) + std::string(1, '\0')
        + std::string(1, static_cast<char>(*exifOrientation)) + std::string("\0\0", 2) + std::string(4, '\0');
    std::string app1 = std::string("Exif\0\0", 6) + tiff;
    std::size_t const length = app1.size() + 2;
    std::string segment = std::string("\xff\xe1", 2) + static_cast<char>(length >> 8)
        + static_cast<char>(length & 0xff) + app1;
    return bytes.insert(2, segment);
}

namespace {

int appendTo(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

std::string ImageSamples::gif(int width, int height, const std::vector<GifFrame>& frames)
{
    std::string out;
    int error = 0;
    GifFileType* file = EGifOpen(&out, appendTo, &error);
    if (!file)
        throw std::runtime_error("EGifOpen");
    GifColorType palette[4] = { { 0, 0, 0 }, { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
    ColorMapObject* map = GifMakeMapObject(4, palette);
    EGifSetGifVersion(file, true);
    EGifPutScreenDesc(file, width, height, 2, 0, map);
    for (const GifFrame& frame : frames) {
        if (frame.delay) {
            GraphicsControlBlock control { frame.disposal, false, *frame.delay,
                frame.transparent ? 0 : NO_TRANSPARENT_COLOR };
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        EGifPutImageDesc(file, frame.left, frame.top, frame.width, frame.height, false, nullptr);
        std::vector<GifPixelType> row(
            static_cast<std::size_t>(frame.width), static_cast<GifPixelType>(frame.colour));
        for (int y = 0; y < frame.height; ++y)
            EGifPutLine(file, row.data(), frame.width);
    }
    EGifCloseFile(file, &error);
    GifFreeMapObject(map);
    return out;
}

std::shared_ptr<const graphics::Image> ImageSamples::gradient(int width, int height)
{
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t const red = static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1));
            std::uint32_t const green = static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1));
            pixels.push_back(0xff000000u | red << 16 | green << 8 | 0x80);
        }
    }
    return graphics::Image::fromPixels(width, height, std::move(pixels), 1.0, false);
}

namespace {

// libjpeg's own error handling (which exits) is good enough for samples.
std::string compressGradient(int width, int height, bool progressive)
{
    auto const picture = ImageSamples::gradient(width, height);
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int i = 0; i < width * height; ++i) {
        std::uint32_t const p = picture->pixels()[i];
        rgb.insert(rgb.end(), { std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p) });
    }
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.next_scanline) * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

} // namespace

std::string ImageSamples::progressiveJpeg(int width, int height)
{
    return compressGradient(width, height, true);
}

std::string ImageSamples::sequentialJpeg(int width, int height)
{
    return compressGradient(width, height, false);
}

std::string ImageSamples::gradientPng(int width, int height, bool interlaced)
{
    auto const picture = gradient(width, height);
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
        throw std::runtime_error("png_write");
    png_set_write_fn(png, &out, appendPng, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
        PNG_COLOR_TYPE_RGB, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    // Stored, not deflated: every part of the file is a known share of the
    // picture, so a cut through it lands where a test expects.
    png_set_compression_level(png, 0);
    png_write_info(png, info);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height * 3);
    std::vector<png_bytep> pointers;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t const p = picture->pixels()[y * width + x];
            std::uint8_t* rgb = rows.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            rgb[0] = std::uint8_t(p >> 16);
            rgb[1] = std::uint8_t(p >> 8);
            rgb[2] = std::uint8_t(p);
        }
        pointers.push_back(rows.data() + static_cast<std::size_t>(y) * width * 3);
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace support
