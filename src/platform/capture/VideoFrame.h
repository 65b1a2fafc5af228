#pragma once

#include "platform/foundation/Result.h"
#include "platform/graphics/Geometry.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace graphics {
class Image;
}

namespace capture {

// A grey picture, one byte per pixel, rows without padding.
//
// The output's rectangle of interest is normalised on the camera sensor's
// landscape picture. A frame from a camera is that picture (Landscape). A
// picture file shows what the portrait preview would show (Portrait): the
// rectangle's x and width then run down its height and its y and height
// across its width, which is how a rectangle worked out for a portrait screen
// lands on it.
class VideoFrame {
public:
    enum class Layout { Landscape, Portrait };

    // Larger sides are refused so that a hostile picture cannot exhaust memory.
    static constexpr int maximumSide = 8192;

    // nullopt when the sizes are not positive, too large, or do not match the bytes.
    static std::optional<VideoFrame> fromLuma(
        int width, int height, std::vector<std::uint8_t> luma, Layout layout);
    // Transparent parts read as white paper.
    static std::optional<VideoFrame> fromImage(const graphics::Image& image, Layout layout);
    // Any picture graphics::Image reads (Image::readableFormats), as a portrait one.
    static foundation::Result<VideoFrame> fromImageFile(const std::filesystem::path& path);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Layout layout() const { return m_layout; }
    const std::vector<std::uint8_t>& luma() const { return m_luma; }

    struct PixelRect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool isEmpty() const { return width <= 0 || height <= 0; }
    };
    // The pixels a normalised rectangle of interest covers, clipped to the frame;
    // empty when it misses the frame or is not a number.
    PixelRect regionOfInterest(const graphics::Rect& normalised) const;

private:
    VideoFrame(int width, int height, std::vector<std::uint8_t> luma, Layout layout);

    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_luma;
    Layout m_layout;
};

} // namespace capture
