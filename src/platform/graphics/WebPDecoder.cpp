#include "platform/graphics/WebPDecoder.h"

#include "platform/graphics/Color.h"

#include <bit>
#include <memory>
#include <webp/decode.h>
#include <webp/demux.h>

namespace graphics {

namespace {

struct AnimationDecoderDelete {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// The first frame on its canvas. The decoder allocates the canvas when it is
// made, so its size has been checked before.
std::optional<StillBitmap> decodeFirstFrame(std::span<const std::uint8_t> bytes, int width, int height)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return std::nullopt;
    options.color_mode = MODE_rgbA;
    options.use_threads = 0;
    WebPData const data { bytes.data(), bytes.size() };
    std::unique_ptr<WebPAnimDecoder, AnimationDecoderDelete> decoder(WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info)
        || info.canvas_width != static_cast<std::uint32_t>(width)
        || info.canvas_height != static_cast<std::uint32_t>(height))
        return std::nullopt;
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        return std::nullopt;
    StillBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.resize(static_cast<std::size_t>(width) * height);
    // Bytes red, green, blue, alpha, already premultiplied.
    for (std::uint32_t& pixel : bitmap.pixels) {
        pixel = std::uint32_t(canvas[3]) << 24 | std::uint32_t(canvas[0]) << 16
            | std::uint32_t(canvas[1]) << 8 | canvas[2];
        canvas += 4;
    }
    return bitmap;
}

std::optional<StillBitmap> decodeStill(std::span<const std::uint8_t> bytes, WebPDecoderConfig& config)
{
    StillBitmap bitmap;
    bitmap.width = config.input.width;
    bitmap.height = config.input.height;
    bitmap.pixels.resize(static_cast<std::size_t>(bitmap.width) * bitmap.height);
    // Premultiplied, straight into the words: their byte order is B, G, R, A
    // on a little-endian machine.
    config.output.colorspace = std::endian::native == std::endian::little ? MODE_bgrA : MODE_Argb;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = reinterpret_cast<std::uint8_t*>(bitmap.pixels.data());
    config.output.u.RGBA.stride = bitmap.width * 4;
    config.output.u.RGBA.size = bitmap.pixels.size() * 4;
    VP8StatusCode const status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return std::nullopt;
    return bitmap;
}

} // namespace

std::optional<WebPDecoder::Header> WebPDecoder::readHeader(std::span<const std::uint8_t> bytes)
{
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK || features.width <= 0
        || features.height <= 0)
        return std::nullopt;
    return Header { features.width, features.height, features.has_animation != 0 };
}

std::optional<StillBitmap> WebPDecoder::decode(std::span<const std::uint8_t> bytes, long long maxPixels)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)
        || WebPGetFeatures(bytes.data(), bytes.size(), &config.input) != VP8_STATUS_OK
        || !acceptableSize(config.input.width, config.input.height, maxPixels))
        return std::nullopt;
    auto bitmap = config.input.has_animation
        ? decodeFirstFrame(bytes, config.input.width, config.input.height)
        : decodeStill(bytes, config);
    if (!bitmap)
        return std::nullopt;
    // The header's alpha flag is a hint: a file may leave it out and still
    // hold see-through pixels, or a first frame may not cover its canvas.
    bitmap->hasAlpha = config.input.has_alpha || !allOpaque(bitmap->pixels);
    return bitmap;
}

} // namespace graphics
