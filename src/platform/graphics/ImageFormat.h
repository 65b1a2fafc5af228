#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace graphics {

// What a file's first bytes say it is: a guess from the first byte for most
// formats, which the format's decoder then confirms or refuses.
enum class ImageFormat { Unknown, Jpeg, Png, Gif, Tiff, WebP };

ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes);
// "image/jpeg" and so on; empty for Unknown.
std::string_view contentTypeOf(ImageFormat format);

} // namespace graphics
