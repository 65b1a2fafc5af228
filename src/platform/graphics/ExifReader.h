#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace graphics {

// Reads what a camera wrote into a picture's EXIF block: a JPEG's APP1
// segment, a WebP file's EXIF chunk, or a TIFF file's own first directory.
// Only the headers before the picture data are walked, and every offset is
// checked against the data, so a hostile file costs at most one pass over its
// header.
class ExifReader {
public:
    // The orientation tag (1 to 8 as written; other values are passed on for
    // the caller to judge), or nullopt when the data has none.
    static std::optional<int> jpegOrientation(std::span<const std::uint8_t> bytes);
    // The same for a JPEG, a WebP or a TIFF file; nullopt for other data.
    static std::optional<int> orientation(std::span<const std::uint8_t> bytes);
};

} // namespace graphics
