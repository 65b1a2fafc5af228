#include "imagecache/ImageDecoding.h"

#include "platform/foundation/Strings.h"
#include "platform/graphics/CairoDrawingContext.h"
#include "platform/graphics/ExifReader.h"
#include "platform/graphics/ImageFormat.h"
#include "platform/kit/Screen.h"

#include <cairo.h>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace imagecache {

namespace {

double screenScale()
{
    return kit::Screen::mainScreen().scale();
}

std::optional<std::string> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

graphics::GifDecoder::Limits ImageDecoding::gifLimits()
{
    graphics::GifDecoder::Limits limits;
    // A portrait-sized animation; far beyond that a download is a mistake or
    // an attack, not a picture to keep in memory.
    limits.maxCanvasPixels = 16LL * 1024 * 1024;
    limits.maxTotalPixels = 48LL * 1024 * 1024;
    limits.maxFrames = 1000;
    return limits;
}

std::span<const std::uint8_t> ImageDecoding::bytesOf(std::string_view data)
{
    return { reinterpret_cast<const std::uint8_t*>(data.data()), data.size() };
}

std::string ImageDecoding::ic_contentTypeForImageData(std::string_view data)
{
    return std::string(graphics::contentTypeOf(graphics::sniffImageFormat(bytesOf(data))));
}

ImagePtr ImageDecoding::ic_imageWithData(std::string_view data)
{
    if (data.empty())
        return nullptr;
    if (graphics::sniffImageFormat(bytesOf(data)) == graphics::ImageFormat::Gif)
        return ic_animatedGIFWithData(data);
    auto image = graphics::Image::fromData(data);
    if (!image)
        return nullptr;
    auto const orientation = ic_imageOrientationFromImageData(data);
    if (orientation != graphics::Image::Orientation::Up)
        image = image->withScale(image->scale(), orientation);
    return image;
}

graphics::Image::Orientation ImageDecoding::ic_imageOrientationFromImageData(std::string_view data)
{
    auto const exif = graphics::ExifReader::orientation(bytesOf(data));
    return exif ? ic_exifOrientationToiOSOrientation(*exif) : graphics::Image::Orientation::Up;
}

graphics::Image::Orientation ImageDecoding::ic_exifOrientationToiOSOrientation(int exifOrientation)
{
    using O = graphics::Image::Orientation;
    switch (exifOrientation) {
    case 2:
        return O::UpMirrored;
    case 3:
        return O::Down;
    case 4:
        return O::DownMirrored;
    case 5:
        return O::LeftMirrored;
    case 6:
        return O::Right;
    case 7:
        return O::RightMirrored;
    case 8:
        return O::Left;
    default:
        return O::Up;
    }
}

double ImageDecoding::ic_frameDuration(std::optional<double> delay)
{
    float duration = delay ? static_cast<float>(*delay) : 0.1f;
    // Browsers play very short delays at 0.1 s; so do we.
    if (duration < 0.011f)
        duration = 0.1f;
    return duration;
}

ImagePtr ImageDecoding::ic_animatedGIFWithData(std::string_view data)
{
    if (data.empty())
        return nullptr;
    auto animation = graphics::GifDecoder::decode(bytesOf(data), gifLimits());
    if (!animation)
        return nullptr;
    if (animation->frames.size() == 1) {
        return graphics::Image::fromPixels(animation->width, animation->height,
            std::move(animation->frames[0].pixels), 1.0, animation->hasAlpha);
    }
    double const scale = screenScale();
    std::vector<ImagePtr> frames;
    double total = 0;
    for (auto& frame : animation->frames) {
        total += ic_frameDuration(frame.delay);
        frames.push_back(graphics::Image::fromPixels(
            animation->width, animation->height, std::move(frame.pixels), scale, animation->hasAlpha));
    }
    if (total == 0)
        total = 0.1 * static_cast<double>(frames.size());
    return graphics::Image::animated(std::move(frames), total);
}

ImagePtr ImageDecoding::ic_animatedGIFNamed(std::string_view name)
{
    if (name.empty() || name.find('/') != std::string_view::npos || name == "..")
        return nullptr;
    auto const directory = graphics::Image::assetDirectory();
    std::string const stem(name);
    if (screenScale() > 1.0) {
        if (auto data = readFile(directory / (stem + "@2x.gif")))
            if (auto image = ic_animatedGIFWithData(*data))
                return image;
    }
    if (auto data = readFile(directory / (stem + ".gif")))
        if (auto image = ic_animatedGIFWithData(*data))
            return image;
    return graphics::Image::named(name);
}

ImagePtr ImageDecoding::ic_animatedImageByScalingAndCroppingToSize(const ImagePtr& image, graphics::Size size)
{
    if (!image)
        return nullptr;
    graphics::Size const own = image->size();
    if ((own.width == size.width && own.height == size.height) || size.width <= 0 || size.height <= 0)
        return image;
    // An image of no size cannot be stretched to cover anything.
    if (own.width <= 0 || own.height <= 0 || !std::isfinite(size.width) || !std::isfinite(size.height))
        return image;
    double const widthFactor = size.width / own.width;
    double const heightFactor = size.height / own.height;
    double const factor = std::max(widthFactor, heightFactor);
    graphics::Rect target { 0, 0, own.width * factor, own.height * factor };
    if (widthFactor > heightFactor)
        target.origin.y = (size.height - target.height()) * 0.5;
    else if (heightFactor > widthFactor)
        target.origin.x = (size.width - target.width()) * 0.5;

    double const scale = screenScale();
    long long const pixelWidth = std::llround(size.width * scale);
    long long const pixelHeight = std::llround(size.height * scale);
    if (pixelWidth <= 0 || pixelHeight <= 0 || pixelWidth * pixelHeight > 16LL * 1024 * 1024)
        return image;
    std::vector<ImagePtr> sources = image->images();
    if (sources.empty())
        sources.push_back(image);
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(pixelWidth), static_cast<int>(pixelHeight));
    cairo_t* cairo = cairo_create(surface);
    std::vector<ImagePtr> frames;
    {
        graphics::CairoDrawingContext context(cairo);
        context.scale(scale, scale);
        for (const ImagePtr& frame : sources) {
            cairo_save(cairo);
            cairo_set_operator(cairo, CAIRO_OPERATOR_CLEAR);
            cairo_paint(cairo);
            cairo_restore(cairo);
            context.drawImage(*frame, target);
            cairo_surface_flush(surface);
            auto const* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
            std::vector<std::uint32_t> pixels(data, data + pixelWidth * pixelHeight);
            frames.push_back(graphics::Image::fromPixels(
                static_cast<int>(pixelWidth), static_cast<int>(pixelHeight), std::move(pixels), scale, true));
        }
    }
    cairo_destroy(cairo);
    cairo_surface_destroy(surface);
    if (image->images().empty())
        return frames.front();
    return graphics::Image::animated(std::move(frames), image->duration());
}

ImagePtr ImageDecoding::decodedImageWithImage(const ImagePtr& image)
{
    return image;
}

ImagePtr ScaledImageForKey(std::string_view key, const ImagePtr& image)
{
    if (!image)
        return nullptr;
    if (!image->images().empty()) {
        std::vector<ImagePtr> frames;
        for (const ImagePtr& frame : image->images())
            frames.push_back(ScaledImageForKey(key, frame));
        return graphics::Image::animated(std::move(frames), image->duration());
    }
    double scale = screenScale();
    // Counted in characters as the key's text has them, not in bytes.
    if (foundation::utf16Length(key) >= 8) {
        if (key.find("@2x.") != std::string_view::npos)
            scale = 2.0;
        if (key.find("@3x.") != std::string_view::npos)
            scale = 3.0;
    }
    return image->withScale(scale, image->orientation());
}

} // namespace imagecache
