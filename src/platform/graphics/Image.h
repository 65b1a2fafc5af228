#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace graphics {

// An immutable bitmap with a point scale. Pixels are premultiplied
// 0xAARRGGBB words, row after row with no padding, which is also the layout
// cairo paints from without a copy. Variants made with withScale() and
// friends share the pixel buffer.
class Image {
public:
    // The phone platform's numbering: up is 0.
    enum class Orientation {
        Up = 0,
        Down = 1,
        Left = 2,
        Right = 3,
        UpMirrored = 4,
        DownMirrored = 5,
        LeftMirrored = 6,
        RightMirrored = 7,
    };
    enum class RenderingMode { Automatic = 0, AlwaysOriginal = 1, AlwaysTemplate = 2 };

    // Larger bitmaps are refused rather than allocated: a hostile header must
    // not be able to ask for gigabytes.
    static constexpr long long maxDecodePixels = 64LL * 1024 * 1024;

    // PNG, JPEG, TIFF, WebP or the first frame of a GIF (or of an animated
    // WebP); nullptr for anything else, truncated or corrupt data included.
    static std::shared_ptr<const Image> fromData(std::span<const std::uint8_t> bytes, double scale = 1.0);
    // The formats fromData reads, for a message to name: "PNG, JPEG, … or WebP".
    static std::string readableFormats();
    // Refuses pictures of more pixels than `maxPixels` before decoding them.
    static std::shared_ptr<const Image> fromData(
        std::span<const std::uint8_t> bytes, double scale, long long maxPixels);
    static std::shared_ptr<const Image> fromData(std::string_view bytes, double scale = 1.0);
    static std::shared_ptr<const Image> fromFile(const std::filesystem::path& path, double scale = 1.0);
    // assets/<name>.png, else assets/<name>@2x.png at scale 2; nullptr when
    // neither exists. Loaded images are kept, as the phone platform does.
    static std::shared_ptr<const Image> named(std::string_view name);
    // As named(), but neither taken from nor added to the kept images: for a
    // big picture shown for a while, whose memory should go with its view.
    static std::shared_ptr<const Image> loadNamed(std::string_view name);
    // Where named() looks. Defaults to $CASHIER_ASSETS, else the source
    // tree's assets folder.
    static void setAssetDirectory(std::filesystem::path directory);
    static std::filesystem::path assetDirectory();

    // A size.width x size.height point image of one colour at scale 1:
    // the stretchable backgrounds of the screens' buttons.
    static std::shared_ptr<const Image> fromColor(const Color& color, Size size = { 1, 1 });
    // Pixels must hold width * height words; otherwise nullptr.
    static std::shared_ptr<const Image> fromPixels(
        int width, int height, std::vector<std::uint32_t> pixels, double scale = 1.0, bool hasAlpha = true);
    // An animated image: the first frame's bitmap, with all frames kept.
    static std::shared_ptr<const Image> animated(
        std::vector<std::shared_ptr<const Image>> frames, double duration);

    std::shared_ptr<const Image> withScale(double scale, Orientation orientation) const;
    std::shared_ptr<const Image> withRenderingMode(RenderingMode mode) const;

    // In points: pixels / scale, width and height swapped for the quarter
    // turn orientations.
    Size size() const;
    double scale() const { return m_scale; }
    Orientation orientation() const { return m_orientation; }
    RenderingMode renderingMode() const { return m_renderingMode; }
    int pixelWidth() const { return m_width; }
    int pixelHeight() const { return m_height; }
    bool hasAlpha() const { return m_hasAlpha; }
    const std::vector<std::shared_ptr<const Image>>& images() const { return m_images; }
    double duration() const { return m_duration; }

    const std::uint32_t* pixels() const { return m_pixels->data(); }
    // Transparent outside the bitmap.
    Color pixelAt(int x, int y) const;

private:
    struct Private { };

public:
    Image(Private, int width, int height, std::shared_ptr<const std::vector<std::uint32_t>> pixels,
        double scale, bool hasAlpha);

private:
    int m_width = 0;
    int m_height = 0;
    std::shared_ptr<const std::vector<std::uint32_t>> m_pixels;
    double m_scale = 1.0;
    bool m_hasAlpha = true;
    Orientation m_orientation = Orientation::Up;
    RenderingMode m_renderingMode = RenderingMode::Automatic;
    std::vector<std::shared_ptr<const Image>> m_images;
    double m_duration = 0;
};

} // namespace graphics
