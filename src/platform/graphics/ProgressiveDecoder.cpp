#include "platform/graphics/ProgressiveDecoder.h"

#include "platform/graphics/Color.h"
#include "platform/graphics/ImageFormat.h"
#include "platform/graphics/JpegMemorySource.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <png.h>

namespace graphics {

namespace {

bool sizeAcceptable(long long width, long long height, long long maxPixels)
{
    return width > 0 && height > 0 && width <= maxPixels && height <= maxPixels && width * height <= maxPixels;
}

// ---- JPEG

struct JpegProgress {
    int width = 0;
    int height = 0;
    int rows = 0;
    int scans = 0;
    bool progressive = false;
};

// `out` belongs to the caller.
bool decodeJpegPartial(
    std::span<const std::uint8_t> bytes, long long maxPixels, std::vector<std::uint32_t>& out, JpegProgress& state)
{
    return readJpeg(bytes, JpegBytes::MayStopShort, JpegErrorTrap::Warnings::RefuseDamage,
        [&](jpeg_decompress_struct& info) {
            if (!sizeAcceptable(info.image_width, info.image_height, maxPixels))
                return false;
            info.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
            state.progressive = jpeg_has_multiple_scans(&info);
            // Several scans each cover the whole picture: gather what has
            // arrived, then show the last scan that arrived whole.
            info.buffered_image = state.progressive ? TRUE : FALSE;
            // Smoothing the blocks of an early scan reads ahead into the scan
            // after it, which has not arrived: the picture would stop short
            // of its bottom.
            info.do_block_smoothing = FALSE;
            if (!jpeg_start_decompress(&info))
                return false;
            state.width = static_cast<int>(info.output_width);
            state.height = static_cast<int>(info.output_height);
            if (state.progressive) {
                for (;;) {
                    int const status = jpeg_consume_input(&info);
                    if (status == JPEG_SUSPENDED || status == JPEG_REACHED_EOI)
                        break;
                    if (status == JPEG_SCAN_COMPLETED)
                        state.scans = info.input_scan_number;
                }
                if (state.scans == 0 || !jpeg_start_output(&info, state.scans))
                    return false;
            }
            out.assign(static_cast<std::size_t>(state.width) * state.height, 0);
            while (info.output_scanline < info.output_height) {
                JSAMPROW row = reinterpret_cast<JSAMPROW>(
                    out.data() + static_cast<std::size_t>(info.output_scanline) * state.width);
                if (jpeg_read_scanlines(&info, &row, 1) != 1)
                    break;
            }
            state.rows = static_cast<int>(info.output_scanline);
            return true;
        });
}

std::optional<ProgressiveDecoder::Partial> jpegPartial(std::span<const std::uint8_t> bytes, long long maxPixels)
{
    ProgressiveDecoder::Partial partial;
    JpegProgress state;
    if (!decodeJpegPartial(bytes, maxPixels, partial.pixels, state) || state.rows == 0)
        return std::nullopt;
    partial.width = state.width;
    partial.height = state.height;
    partial.hasAlpha = state.rows < state.height;
    partial.progress = static_cast<std::uint64_t>(state.progressive ? state.scans : state.rows);
    return partial;
}

// ---- PNG

struct PngProgress {
    std::vector<std::uint32_t>* pixels = nullptr;
    long long maxPixels = 0;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    bool interlaced = false;
    // Rows so far of a plain file; the pass arriving of an interlaced one.
    int rows = 0;
    int pass = 0;
    bool complete = false;
};

[[noreturn]] void pngFail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngQuiet(png_structp, png_const_charp)
{
}

// Asks libpng for 8-bit 0xAARRGGBB words whatever the file holds.
void pngInfo(png_structp png, png_infop info)
{
    auto* state = static_cast<PngProgress*>(png_get_progressive_ptr(png));
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colour = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (!sizeAcceptable(width, height, state->maxPixels))
        png_error(png, "too large");
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    bool const transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (transparency)
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    state->hasAlpha = transparency || (colour & PNG_COLOR_MASK_ALPHA) != 0;
    if (!state->hasAlpha)
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    if (std::endian::native == std::endian::little)
        png_set_bgr(png);
    else
        png_set_swap_alpha(png);
    state->interlaced = interlace != PNG_INTERLACE_NONE;
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4)
        png_error(png, "unexpected row layout");
    state->width = static_cast<int>(width);
    state->height = static_cast<int>(height);
    state->pixels->assign(static_cast<std::size_t>(width) * height, 0);
}

void pngRow(png_structp png, png_bytep row, png_uint_32 number, int pass)
{
    auto* state = static_cast<PngProgress*>(png_get_progressive_ptr(png));
    if (!row || number >= static_cast<png_uint_32>(state->height))
        return;
    // Merges a pass's pixels into what the passes before it left.
    png_progressive_combine_row(png,
        reinterpret_cast<png_bytep>(state->pixels->data() + static_cast<std::size_t>(number) * state->width), row);
    state->pass = pass;
    state->rows = std::max(state->rows, static_cast<int>(number) + 1);
}

void pngEnd(png_structp png, png_infop)
{
    static_cast<PngProgress*>(png_get_progressive_ptr(png))->complete = true;
}

// Kept free of objects with destructors between setjmp and the libpng calls.
bool decodePngPartial(std::span<const std::uint8_t> bytes, PngProgress& state)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngQuiet);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_progressive_read_fn(png, &state, pngInfo, pngRow, pngEnd);
    png_process_data(png, info, const_cast<png_bytep>(bytes.data()), bytes.size());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// After the first `passes` of Adam7 every pixel takes the colour of the
// known one at the top left of its cell, so the picture shows blocks rather
// than scattered dots.
void fillInterlaced(std::vector<std::uint32_t>& pixels, int width, int height, int passes)
{
    static constexpr int cellWidth[] = { 8, 4, 4, 2, 2, 1, 1 };
    static constexpr int cellHeight[] = { 8, 8, 4, 4, 2, 2, 1 };
    int const stepX = cellWidth[passes - 1];
    int const stepY = cellHeight[passes - 1];
    for (int y = 0; y < height; ++y) {
        std::uint32_t const* source = pixels.data() + static_cast<std::size_t>(y - y % stepY) * width;
        std::uint32_t* target = pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x)
            target[x] = source[x - x % stepX];
    }
}

std::optional<ProgressiveDecoder::Partial> pngPartial(std::span<const std::uint8_t> bytes, long long maxPixels)
{
    ProgressiveDecoder::Partial partial;
    PngProgress state;
    state.pixels = &partial.pixels;
    state.maxPixels = maxPixels;
    if (!decodePngPartial(bytes, state) || state.width == 0)
        return std::nullopt;
    partial.width = state.width;
    partial.height = state.height;
    if (state.interlaced) {
        // Only passes that are over show the whole picture evenly.
        int const passes = state.complete ? 7 : state.pass;
        if (passes == 0)
            return std::nullopt;
        if (passes < 7)
            fillInterlaced(partial.pixels, state.width, state.height, passes);
        partial.progress = static_cast<std::uint64_t>(passes);
        partial.hasAlpha = state.hasAlpha;
    } else {
        if (state.rows == 0)
            return std::nullopt;
        partial.progress = static_cast<std::uint64_t>(state.rows);
        partial.hasAlpha = state.hasAlpha || state.rows < state.height;
    }
    premultiplyArgb(partial.pixels);
    return partial;
}

} // namespace

std::optional<ProgressiveDecoder::Partial> ProgressiveDecoder::decode(
    std::span<const std::uint8_t> bytes, long long maxPixels)
{
    switch (sniffImageFormat(bytes)) {
    case ImageFormat::Jpeg:
        return jpegPartial(bytes, maxPixels);
    case ImageFormat::Png:
        return pngPartial(bytes, maxPixels);
    default:
        return std::nullopt;
    }
}

} // namespace graphics
