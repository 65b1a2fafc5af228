#include "platform/graphics/ImageFormat.h"

#include <cstring>

namespace graphics {

ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return ImageFormat::Unknown;
    switch (bytes[0]) {
    case 0xff:
        return ImageFormat::Jpeg;
    case 0x89:
        return ImageFormat::Png;
    case 0x47:
        return ImageFormat::Gif;
    case 0x49:
    case 0x4d:
        return ImageFormat::Tiff;
    case 0x52:
        if (bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0
            && std::memcmp(bytes.data() + 8, "WEBP", 4) == 0)
            return ImageFormat::WebP;
        return ImageFormat::Unknown;
    default:
        return ImageFormat::Unknown;
    }
}

std::string_view contentTypeOf(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg:
        return "image/jpeg";
    case ImageFormat::Png:
        return "image/png";
    case ImageFormat::Gif:
        return "image/gif";
    case ImageFormat::Tiff:
        return "image/tiff";
    case ImageFormat::WebP:
        return "image/webp";
    case ImageFormat::Unknown:
        break;
    }
    return {};
}

} // namespace graphics
