#include "platform/graphics/Image.h"

#include "platform/graphics/Color.h"
#include "platform/graphics/GifDecoder.h"
#include "platform/graphics/ImageFormat.h"
#include "platform/graphics/JpegMemorySource.h"
#include "platform/graphics/StillBitmap.h"
#include "platform/graphics/TiffDecoder.h"
#include "platform/graphics/WebPDecoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <png.h>

namespace graphics {

namespace {

constexpr long long MaxPixels = Image::maxDecodePixels;

std::optional<StillBitmap> decodePng(std::span<const std::uint8_t> bytes, long long maxPixels)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return std::nullopt;
    StillBitmap bitmap;
    bitmap.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    // One 32-bit word per pixel as 0xAARRGGBB: byte order BGRA on a
    // little-endian machine.
    image.format = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    if (!acceptableSize(image.width, image.height, maxPixels)) {
        png_image_free(&image);
        return std::nullopt;
    }
    bitmap.width = static_cast<int>(image.width);
    bitmap.height = static_cast<int>(image.height);
    bitmap.pixels.resize(static_cast<std::size_t>(bitmap.width) * bitmap.height);
    if (!png_image_finish_read(&image, nullptr, bitmap.pixels.data(), bitmap.width * 4, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    premultiplyArgb(bitmap.pixels);
    return bitmap;
}

bool decodeJpegInto(std::span<const std::uint8_t> bytes, long long maxPixels, std::vector<std::uint32_t>& out,
    int& width, int& height)
{
    return readJpeg(
        bytes, JpegBytes::Whole, JpegErrorTrap::Warnings::RefuseDamage, [&](jpeg_decompress_struct& info) {
            if (!acceptableSize(info.image_width, info.image_height, maxPixels))
                return false;
            info.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
            jpeg_start_decompress(&info);
            width = static_cast<int>(info.output_width);
            height = static_cast<int>(info.output_height);
            out.resize(static_cast<std::size_t>(width) * height);
            while (info.output_scanline < info.output_height) {
                JSAMPROW row = reinterpret_cast<JSAMPROW>(
                    out.data() + static_cast<std::size_t>(info.output_scanline) * width);
                jpeg_read_scanlines(&info, &row, 1);
            }
            jpeg_finish_decompress(&info);
            return true;
        });
}

std::optional<StillBitmap> decodeJpeg(std::span<const std::uint8_t> bytes, long long maxPixels)
{
    StillBitmap bitmap;
    if (!decodeJpegInto(bytes, maxPixels, bitmap.pixels, bitmap.width, bitmap.height))
        return std::nullopt;
    return bitmap;
}

std::optional<StillBitmap> decodeGifFirstFrame(std::span<const std::uint8_t> bytes, long long maxPixels)
{
    GifDecoder::Limits limits;
    limits.maxCanvasPixels = std::min(maxPixels, MaxPixels);
    limits.maxFrames = 1;
    auto animation = GifDecoder::decode(bytes, limits);
    if (!animation)
        return std::nullopt;
    StillBitmap bitmap;
    bitmap.width = animation->width;
    bitmap.height = animation->height;
    bitmap.hasAlpha = animation->hasAlpha;
    bitmap.pixels = std::move(animation->frames.front().pixels);
    return bitmap;
}

bool startsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> prefix)
{
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// What fromData reads, and the names readableFormats gives them: one list,
// so that what a message says is read cannot fall behind what is.
struct Decoder {
    std::string_view name;
    bool (*hasSignature)(std::span<const std::uint8_t> bytes);
    std::optional<StillBitmap> (*decode)(std::span<const std::uint8_t> bytes, long long maxPixels);
};

constexpr Decoder decoders[] = {
    { "PNG", [](auto bytes) { return startsWith(bytes, { 0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a }); },
        decodePng },
    { "JPEG", [](auto bytes) { return startsWith(bytes, { 0xff, 0xd8 }); }, decodeJpeg },
    { "GIF", GifDecoder::hasSignature, decodeGifFirstFrame },
    { "TIFF", TiffDecoder::hasSignature, TiffDecoder::decode },
    { "WebP", [](auto bytes) { return sniffImageFormat(bytes) == ImageFormat::WebP; }, WebPDecoder::decode },
};

double sanitizedScale(double scale)
{
    return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

std::optional<std::string> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::mutex& assetMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::filesystem::path& assetDirectoryStorage()
{
    static std::filesystem::path directory = [] {
        if (const char* env = std::getenv("CASHIER_ASSETS"); env && *env)
            return std::filesystem::path(env);
        return std::filesystem::path(CASHIER_SOURCE_ASSETS);
    }();
    return directory;
}

std::map<std::string, std::shared_ptr<const Image>, std::less<>>& namedCache()
{
    static std::map<std::string, std::shared_ptr<const Image>, std::less<>> cache;
    return cache;
}

} // namespace

bool acceptableSize(long long width, long long height, long long maxPixels)
{
    return width > 0 && height > 0 && width <= MaxPixels && height <= MaxPixels
        && width * height <= std::min(maxPixels, MaxPixels);
}

Image::Image(Private, int width, int height, std::shared_ptr<const std::vector<std::uint32_t>> pixels,
    double scale, bool hasAlpha)
    : m_width(width)
    , m_height(height)
    , m_pixels(std::move(pixels))
    , m_scale(scale)
    , m_hasAlpha(hasAlpha)
{
}

std::string Image::readableFormats()
{
    std::string names;
    for (size_t index = 0; index < std::size(decoders); ++index) {
        if (index > 0)
            names += index + 1 == std::size(decoders) ? " or " : ", ";
        names += decoders[index].name;
    }
    return names;
}

std::shared_ptr<const Image> Image::fromData(std::span<const std::uint8_t> bytes, double scale)
{
    return fromData(bytes, scale, MaxPixels);
}

std::shared_ptr<const Image> Image::fromData(
    std::span<const std::uint8_t> bytes, double scale, long long maxPixels)
{
    std::optional<StillBitmap> bitmap;
    for (auto const& decoder : decoders) {
        if (decoder.hasSignature(bytes)) {
            bitmap = decoder.decode(bytes, maxPixels);
            break;
        }
    }
    if (!bitmap)
        return nullptr;
    return fromPixels(bitmap->width, bitmap->height, std::move(bitmap->pixels), scale, bitmap->hasAlpha);
}

std::shared_ptr<const Image> Image::fromData(std::string_view bytes, double scale)
{
    return fromData(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), scale);
}

std::shared_ptr<const Image> Image::fromFile(const std::filesystem::path& path, double scale)
{
    auto bytes = readFile(path);
    return bytes ? fromData(*bytes, scale) : nullptr;
}

void Image::setAssetDirectory(std::filesystem::path directory)
{
    std::lock_guard lock(assetMutex());
    assetDirectoryStorage() = std::move(directory);
    namedCache().clear();
}

std::filesystem::path Image::assetDirectory()
{
    std::lock_guard lock(assetMutex());
    return assetDirectoryStorage();
}

namespace {

// Names are plain file stems; anything that could climb out of the assets
// folder is not an asset.
bool isAssetName(std::string_view name)
{
    return !name.empty() && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos && name != "." && name != "..";
}

std::shared_ptr<const Image> loadAsset(const std::filesystem::path& directory, std::string_view name)
{
    std::string stem(name);
    auto image = Image::fromFile(directory / (stem + ".png"), 1.0);
    if (!image)
        image = Image::fromFile(directory / (stem + "@2x.png"), 2.0);
    return image;
}

} // namespace

std::shared_ptr<const Image> Image::named(std::string_view name)
{
    if (!isAssetName(name))
        return nullptr;
    std::lock_guard lock(assetMutex());
    auto& cache = namedCache();
    if (auto it = cache.find(name); it != cache.end())
        return it->second;
    auto image = loadAsset(assetDirectoryStorage(), name);
    if (image)
        cache.emplace(std::string(name), image);
    return image;
}

std::shared_ptr<const Image> Image::loadNamed(std::string_view name)
{
    if (!isAssetName(name))
        return nullptr;
    return loadAsset(assetDirectory(), name);
}

std::shared_ptr<const Image> Image::fromColor(const Color& color, Size size)
{
    // Checked as doubles first: converting a huge size to int is undefined.
    auto side = [](double points) { return std::isfinite(points) && points >= 1 ? std::ceil(points) : 1.0; };
    double const width = side(size.width);
    double const height = side(size.height);
    if (width * height > static_cast<double>(MaxPixels))
        return nullptr;
    int const w = static_cast<int>(width);
    int const h = static_cast<int>(height);
    if (!acceptableSize(w, h, MaxPixels))
        return nullptr;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h, color.premultipliedArgb());
    return fromPixels(w, h, std::move(pixels), 1.0, color.alpha() < 1.0);
}

std::shared_ptr<const Image> Image::fromPixels(
    int width, int height, std::vector<std::uint32_t> pixels, double scale, bool hasAlpha)
{
    if (!acceptableSize(width, height, MaxPixels)
        || pixels.size() != static_cast<std::size_t>(width) * height)
        return nullptr;
    return std::make_shared<const Image>(Private {}, width, height,
        std::make_shared<const std::vector<std::uint32_t>>(std::move(pixels)), sanitizedScale(scale),
        hasAlpha);
}

std::shared_ptr<const Image> Image::animated(
    std::vector<std::shared_ptr<const Image>> frames, double duration)
{
    std::erase(frames, nullptr);
    if (frames.empty())
        return nullptr;
    auto image = std::make_shared<Image>(*frames.front());
    image->m_images = std::move(frames);
    image->m_duration = std::isfinite(duration) && duration > 0 ? duration : 0;
    return image;
}

std::shared_ptr<const Image> Image::withScale(double scale, Orientation orientation) const
{
    auto image = std::make_shared<Image>(*this);
    image->m_scale = sanitizedScale(scale);
    image->m_orientation = orientation;
    return image;
}

std::shared_ptr<const Image> Image::withRenderingMode(RenderingMode mode) const
{
    auto image = std::make_shared<Image>(*this);
    image->m_renderingMode = mode;
    return image;
}

Size Image::size() const
{
    Size s { m_width / m_scale, m_height / m_scale };
    switch (m_orientation) {
    case Orientation::Left:
    case Orientation::Right:
    case Orientation::LeftMirrored:
    case Orientation::RightMirrored:
        return { s.height, s.width };
    default:
        return s;
    }
}

Color Image::pixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return Color::clear();
    return Color::fromPremultipliedArgb((*m_pixels)[static_cast<std::size_t>(y) * m_width + x]);
}

} // namespace graphics
