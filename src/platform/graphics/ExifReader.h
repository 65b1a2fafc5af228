#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace graphics {

// Reads what a camera wrote into a JPEG's EXIF block. Only the markers before
// the picture data are walked, and every offset is checked against the data,
// so a hostile file costs at most one pass over its header.
class ExifReader {
public:
    // The orientation tag (1 to 8 as written; other values are passed on for
    // the caller to judge), or nullopt when the data has none.
    static std::optional<int> jpegOrientation(std::span<const std::uint8_t> bytes);
};

} // namespace graphics
