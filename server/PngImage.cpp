#include "server/PngImage.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <array>
#include <exception>
#include <png.h>

namespace merchant {

std::string PngImage::encode(int width, int height, bool rgb, const std::vector<std::uint8_t>& pixels)
{
    int channels = rgb ? 3 : 1;
    if (width <= 0 || height <= 0
        || pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * channels)
        return "";
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = rgb ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr))
        return "";
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr))
        return "";
    bytes.resize(size);
    return bytes;
}

std::string PngImage::qrCode(const std::string& text)
{
    try {
        ZXing::MultiFormatWriter writer(ZXing::BarcodeFormat::QRCode);
        writer.setEncoding(ZXing::CharacterSet::UTF8).setMargin(4);
        ZXing::BitMatrix matrix = writer.encode(text, 256, 256);
        int width = matrix.width();
        int height = matrix.height();
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                pixels[static_cast<std::size_t>(y * width + x)] = matrix.get(x, y) ? 0 : 255;
        }
        return encode(width, height, false, pixels);
    } catch (const std::exception&) {
        // The writer refuses texts it cannot encode by throwing.
        return "";
    }
}

std::string PngImage::portrait(int number)
{
    constexpr int kSize = 96;
    const std::array<std::array<std::uint8_t, 3>, 5> tints { {
        { 0x3b, 0xaa, 0x24 },
        { 0x1e, 0x88, 0xe5 },
        { 0xe6, 0x00, 0x12 },
        { 0xf5, 0xa6, 0x23 },
        { 0x8e, 0x44, 0xad },
    } };
    const auto& tint = tints[static_cast<std::size_t>((number % 5 + 5) % 5)];
    std::vector<std::uint8_t> pixels(kSize * kSize * 3);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            int dx = x - kSize / 2;
            int headY = y - 36;
            int shoulderY = y - 104;
            bool head = dx * dx + headY * headY < 18 * 18;
            bool shoulders = dx * dx + shoulderY * shoulderY < 44 * 44;
            std::size_t at = static_cast<std::size_t>((y * kSize + x) * 3);
            for (std::size_t c = 0; c < 3; ++c)
                pixels[at + c] = head || shoulders ? 0xf4 : tint[c];
        }
    }
    return encode(kSize, kSize, true, pixels);
}

} // namespace merchant
