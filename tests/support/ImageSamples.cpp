#include "support/ImageSamples.h"

#include "platform/graphics/ImageEncoder.h"

#include <gif_lib.h>
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

} // namespace support
