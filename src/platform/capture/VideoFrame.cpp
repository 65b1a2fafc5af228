#include "platform/capture/VideoFrame.h"

#include "platform/graphics/Image.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace capture {

VideoFrame::VideoFrame(int width, int height, std::vector<std::uint8_t> luma, Layout layout)
    : m_width(width)
    , m_height(height)
    , m_luma(std::move(luma))
    , m_layout(layout)
{
}

std::optional<VideoFrame> VideoFrame::fromLuma(
    int width, int height, std::vector<std::uint8_t> luma, Layout layout)
{
    if (width <= 0 || height <= 0 || width > maximumSide || height > maximumSide)
        return std::nullopt;
    if (luma.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return std::nullopt;
    return VideoFrame(width, height, std::move(luma), layout);
}

std::optional<VideoFrame> VideoFrame::fromImage(const graphics::Image& image, Layout layout)
{
    int width = image.pixelWidth();
    int height = image.pixelHeight();
    if (width <= 0 || height <= 0 || width > maximumSide || height > maximumSide)
        return std::nullopt;
    std::vector<std::uint8_t> luma(static_cast<size_t>(width) * static_cast<size_t>(height));
    const std::uint32_t* pixels = image.pixels();
    for (size_t i = 0; i < luma.size(); ++i) {
        std::uint32_t p = pixels[i];
        // Premultiplied, so compositing on white is adding the missing coverage.
        unsigned paper = 255 - (p >> 24);
        unsigned r = std::min(255u, ((p >> 16) & 0xff) + paper);
        unsigned g = std::min(255u, ((p >> 8) & 0xff) + paper);
        unsigned b = std::min(255u, (p & 0xff) + paper);
        luma[i] = static_cast<std::uint8_t>((306 * r + 601 * g + 117 * b + 0x200) >> 10);
    }
    return VideoFrame(width, height, std::move(luma), layout);
}

foundation::Result<VideoFrame> VideoFrame::fromImageFile(const std::filesystem::path& path)
{
    auto image = graphics::Image::fromFile(path);
    if (!image)
        return foundation::Error(
            "not a picture it can read (" + graphics::Image::readableFormats() + "): " + path.string());
    auto frame = fromImage(*image, Layout::Portrait);
    if (!frame)
        return foundation::Error("picture too large to scan: " + path.string());
    return std::move(*frame);
}

VideoFrame::PixelRect VideoFrame::regionOfInterest(const graphics::Rect& normalised) const
{
    graphics::Rect r = normalised.standardized();
    if (!std::isfinite(r.x()) || !std::isfinite(r.y()) || !std::isfinite(r.width())
        || !std::isfinite(r.height()))
        return {};
    // Along the frame's width and height: the rectangle's own axes on a
    // landscape frame, swapped on a portrait one.
    double across0 = r.minX(), across1 = r.maxX(), down0 = r.minY(), down1 = r.maxY();
    if (m_layout == Layout::Portrait) {
        std::swap(across0, down0);
        std::swap(across1, down1);
    }
    auto toPixels = [](double from, double to, int extent) {
        double a = std::clamp(from, 0.0, 1.0) * extent;
        double b = std::clamp(to, 0.0, 1.0) * extent;
        int start = static_cast<int>(std::floor(a));
        int end = static_cast<int>(std::ceil(b));
        return std::pair { start, end - start };
    };
    auto [x, width] = toPixels(across0, across1, m_width);
    auto [y, height] = toPixels(down0, down1, m_height);
    if (width <= 0 || height <= 0)
        return {};
    return { x, y, width, height };
}

} // namespace capture
