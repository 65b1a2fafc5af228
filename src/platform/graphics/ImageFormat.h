#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace graphics {

// What a file's first bytes say it is. Only JPEG, PNG and GIF are decoded;
// TIFF and WebP are named so that callers can tell them from garbage.
enum class ImageFormat { Unknown, Jpeg, Png, Gif, Tiff, WebP };

ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes);
// "image/jpeg" and so on; empty for Unknown.
std::string_view contentTypeOf(ImageFormat format);

} // namespace graphics
