#include "platform/graphics/ImageProbe.h"

#include "platform/graphics/JpegMemorySource.h"
#include "platform/graphics/TiffDecoder.h"
#include "platform/graphics/WebPDecoder.h"

namespace graphics {

namespace {

constexpr std::uint64_t bytesPerPixel = 4;

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8
        | bytes[at + 3];
}

// The signature, then IHDR: length, type, width, height, depth, colour type,
// compression, filter, interlace.
std::optional<ImageProbe::Footprint> probePng(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 29 || bytes[12] != 'I' || bytes[13] != 'H' || bytes[14] != 'D' || bytes[15] != 'R')
        return std::nullopt;
    std::uint32_t const width = bigEndian32(bytes, 16);
    std::uint32_t const height = bigEndian32(bytes, 20);
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
        return std::nullopt;
    ImageProbe::Footprint footprint;
    footprint.format = ImageFormat::Png;
    footprint.width = static_cast<int>(width);
    footprint.height = static_cast<int>(height);
    footprint.progressive = bytes[28] != 0;
    // The bitmap, and libpng's two rows of at most 16-bit RGBA.
    footprint.decodeBytes = std::uint64_t(width) * height * bytesPerPixel + 2 * std::uint64_t(width) * 8;
    return footprint;
}

struct JpegHeader {
    int width = 0;
    int height = 0;
    bool progressive = false;
    std::uint64_t coefficientBytes = 0;
};

bool readJpegHeader(std::span<const std::uint8_t> bytes, JpegHeader& header)
{
    return readJpeg(bytes, JpegBytes::MayStopShort, JpegErrorTrap::Warnings::Ignore,
        [&header](jpeg_decompress_struct& info) {
            header.width = static_cast<int>(info.image_width);
            header.height = static_cast<int>(info.image_height);
            header.progressive = jpeg_has_multiple_scans(&info);
            // A file of several scans is gathered whole before any row comes
            // out: 64 coefficients of 2 bytes a block, blocks rounded up to
            // whole MCUs.
            if (header.progressive) {
                for (int c = 0; c < info.num_components; ++c) {
                    jpeg_component_info const& component = info.comp_info[c];
                    auto roundUp = [](std::uint64_t value, std::uint64_t step) {
                        return step ? (value + step - 1) / step * step : value;
                    };
                    header.coefficientBytes += roundUp(component.width_in_blocks, component.h_samp_factor)
                        * roundUp(component.height_in_blocks, component.v_samp_factor) * DCTSIZE2
                        * sizeof(JCOEF);
                }
            }
            return header.width > 0 && header.height > 0;
        });
}

std::optional<ImageProbe::Footprint> probeJpeg(std::span<const std::uint8_t> bytes)
{
    JpegHeader header;
    if (!readJpegHeader(bytes, header))
        return std::nullopt;
    ImageProbe::Footprint footprint;
    footprint.format = ImageFormat::Jpeg;
    footprint.width = header.width;
    footprint.height = header.height;
    footprint.progressive = header.progressive;
    // The bitmap, the coefficients and a few rows of working samples.
    footprint.decodeBytes = std::uint64_t(header.width) * header.height * bytesPerPixel + header.coefficientBytes
        + 16 * std::uint64_t(header.width) * 4;
    return footprint;
}

std::optional<ImageProbe::Footprint> probeGif(std::span<const std::uint8_t> bytes, const GifDecoder::Limits& limits)
{
    auto const extent = GifDecoder::measure(bytes, limits);
    if (!extent)
        return std::nullopt;
    ImageProbe::Footprint footprint;
    footprint.format = ImageFormat::Gif;
    footprint.width = extent->width;
    footprint.height = extent->height;
    footprint.frames = extent->frames;
    std::uint64_t const canvas = std::uint64_t(extent->width) * extent->height * bytesPerPixel;
    // Every frame kept, the canvas drawn on and the one saved for frames
    // that restore it, and one frame's indices.
    footprint.decodeBytes
        = (std::uint64_t(extent->frames) + 2) * canvas + static_cast<std::uint64_t>(extent->largestFramePixels);
    return footprint;
}

// A still picture, as one of the libraries decodes it.
ImageProbe::Footprint stillFootprint(ImageFormat format, int width, int height, std::uint64_t decodeBytes)
{
    ImageProbe::Footprint footprint;
    footprint.format = format;
    footprint.width = width;
    footprint.height = height;
    footprint.decodeBytes = decodeBytes;
    return footprint;
}

std::optional<ImageProbe::Footprint> probeTiff(std::span<const std::uint8_t> bytes)
{
    auto const header = TiffDecoder::readHeader(bytes);
    if (!header)
        return std::nullopt;
    // The bitmap, one strip or tile for every plane, and a few rows of the
    // codec's own (a JPEG-compressed file has libjpeg's).
    return stillFootprint(ImageFormat::Tiff, header->width, header->height,
        std::uint64_t(header->width) * header->height * bytesPerPixel + header->workingBytes
            + 16 * std::uint64_t(header->width) * bytesPerPixel);
}

std::optional<ImageProbe::Footprint> probeWebP(std::span<const std::uint8_t> bytes)
{
    auto const header = WebPDecoder::readHeader(bytes);
    if (!header)
        return std::nullopt;
    std::uint64_t const canvas = std::uint64_t(header->width) * header->height * bytesPerPixel;
    // A still picture: the bitmap, and the lossless decoder's own copy of it
    // with its rows of cache (or the lossy one's alpha plane and rows). The
    // first frame of an animation: the animation decoder's canvas and the
    // one before it, the frame itself, and the copy handed back.
    return stillFootprint(ImageFormat::WebP, header->width, header->height,
        header->animated
            ? 4 * canvas
            : 2 * canvas + canvas / bytesPerPixel + 32 * std::uint64_t(header->width) * bytesPerPixel);
}

} // namespace

std::optional<ImageProbe::Footprint> ImageProbe::probe(
    std::span<const std::uint8_t> bytes, const GifDecoder::Limits& gifLimits)
{
    switch (sniffImageFormat(bytes)) {
    case ImageFormat::Png:
        return probePng(bytes);
    case ImageFormat::Jpeg:
        return probeJpeg(bytes);
    case ImageFormat::Gif:
        return probeGif(bytes, gifLimits);
    default:
    case ImageFormat::Tiff:
        return probeTiff(bytes);
    case ImageFormat::WebP:
        return probeWebP(bytes);
        return std::nullopt;
    }
}

} // namespace graphics
