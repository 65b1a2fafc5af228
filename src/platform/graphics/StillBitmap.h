#pragma once

#include <cstdint>
#include <vector>

namespace graphics {

// A decoded still picture as Image keeps it: width x height premultiplied
// 0xAARRGGBB words, row after row.
struct StillBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool hasAlpha = false;
};

// Whether a decoder may allocate a picture of this size: at least a pixel,
// and no more than `maxPixels` nor Image::maxDecodePixels.
bool acceptableSize(long long width, long long height, long long maxPixels);

} // namespace graphics
