#pragma once

#include <optional>
#include <string>

namespace graphics {

class Image;

// Turns a bitmap back into file bytes (the disk cache keeps images that have
// no bytes of their own, such as transformed ones, this way).
class ImageEncoder {
public:
    // Lossless, alpha kept.
    static std::optional<std::string> png(const Image& image);
    // quality in [0, 1]; alpha is dropped, transparent pixels become black.
    static std::optional<std::string> jpeg(const Image& image, double quality);
};

} // namespace graphics
