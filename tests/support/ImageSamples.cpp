#include "support/ImageSamples.h"

#include "platform/graphics/ImageEncoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <stdexcept>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace support {

std::shared_ptr<const graphics::Image> ImageSamples::solid(int width, int height, std::uint32_t argb)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, argb);
    return graphics::Image::fromPixels(width, height, std::move(pixels), 1.0, (argb >> 24) != 0xff);
}

std::string ImageSamples::png(int width, int height, std::uint32_t argb)
{
    return *graphics::ImageEncoder::png(*solid(width, height, argb));
}

std::string ImageSamples::jpeg(int width, int height, std::uint32_t rgb, std::optional<int> exifOrientation)
{
    std::string bytes = *graphics::ImageEncoder::jpeg(*solid(width, height, 0xff000000u | rgb), 0.9);
    if (!exifOrientation)
        return bytes;
    // Big-endian TIFF with one IFD entry: orientation, SHORT, count 1.
    std::string tiff = std::string("MM\0\x2a\0\0\0\x08", 8) + std::string("\0\x01", 2)
        + std::string("\x01\x12\0\x03\0\0\0\x01", 8) + std::string(1, '\0')
        + std::string(1, static_cast<char>(*exifOrientation)) + std::string("\0\0", 2) + std::string(4, '\0');
    std::string app1 = std::string("Exif\0\0", 6) + tiff;
    std::size_t const length = app1.size() + 2;
    std::string segment = std::string("\xff\xe1", 2) + static_cast<char>(length >> 8)
        + static_cast<char>(length & 0xff) + app1;
    return bytes.insert(2, segment);
}

namespace {

int appendTo(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

std::string ImageSamples::gif(int width, int height, const std::vector<GifFrame>& frames)
{
    std::string out;
    int error = 0;
    GifFileType* file = EGifOpen(&out, appendTo, &error);
    if (!file)
        throw std::runtime_error("EGifOpen");
    GifColorType palette[4] = { { 0, 0, 0 }, { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
    ColorMapObject* map = GifMakeMapObject(4, palette);
    EGifSetGifVersion(file, true);
    EGifPutScreenDesc(file, width, height, 2, 0, map);
    for (const GifFrame& frame : frames) {
        if (frame.delay) {
            GraphicsControlBlock control { frame.disposal, false, *frame.delay,
                frame.transparent ? 0 : NO_TRANSPARENT_COLOR };
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        EGifPutImageDesc(file, frame.left, frame.top, frame.width, frame.height, false, nullptr);
        std::vector<GifPixelType> row(
            static_cast<std::size_t>(frame.width), static_cast<GifPixelType>(frame.colour));
        for (int y = 0; y < frame.height; ++y)
            EGifPutLine(file, row.data(), frame.width);
    }
    EGifCloseFile(file, &error);
    GifFreeMapObject(map);
    return out;
}

std::shared_ptr<const graphics::Image> ImageSamples::gradient(int width, int height)
{
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t const red = static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1));
            std::uint32_t const green = static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1));
            pixels.push_back(0xff000000u | red << 16 | green << 8 | 0x80);
        }
    }
    return graphics::Image::fromPixels(width, height, std::move(pixels), 1.0, false);
}

namespace {

// libjpeg's own error handling (which exits) is good enough for samples.
std::string compressGradient(int width, int height, bool progressive)
{
    auto const picture = ImageSamples::gradient(width, height);
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int i = 0; i < width * height; ++i) {
        std::uint32_t const p = picture->pixels()[i];
        rgb.insert(rgb.end(), { std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p) });
    }
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.next_scanline) * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

} // namespace

std::string ImageSamples::progressiveJpeg(int width, int height)
{
    return compressGradient(width, height, true);
}

std::string ImageSamples::sequentialJpeg(int width, int height)
{
    return compressGradient(width, height, false);
}

std::string ImageSamples::gradientPng(int width, int height, bool interlaced)
{
    auto const picture = gradient(width, height);
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
        throw std::runtime_error("png_write");
    png_set_write_fn(png, &out, appendPng, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
        PNG_COLOR_TYPE_RGB, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    // Stored, not deflated: every part of the file is a known share of the
    // picture, so a cut through it lands where a test expects.
    png_set_compression_level(png, 0);
    png_write_info(png, info);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height * 3);
    std::vector<png_bytep> pointers;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t const p = picture->pixels()[y * width + x];
            std::uint8_t* rgb = rows.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            rgb[0] = std::uint8_t(p >> 16);
            rgb[1] = std::uint8_t(p >> 8);
            rgb[2] = std::uint8_t(p);
        }
        pointers.push_back(rows.data() + static_cast<std::size_t>(y) * width * 3);
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<std::uint32_t> ImageSamples::wordsOf(const graphics::Image& image)
{
    return { image.pixels(),
        image.pixels() + static_cast<std::size_t>(image.pixelWidth()) * image.pixelHeight() };
}

namespace {

// A TIFF written into a string, through libtiff's client procedures.
struct MemoryTiff {
    std::string bytes;
    std::size_t position = 0;

    static MemoryTiff& of(thandle_t handle) { return *static_cast<MemoryTiff*>(handle); }
    static tmsize_t read(thandle_t handle, void* buffer, tmsize_t size)
    {
        MemoryTiff& file = of(handle);
        std::size_t const count = std::min(
            static_cast<std::size_t>(size), file.bytes.size() - std::min(file.position, file.bytes.size()));
        std::memcpy(buffer, file.bytes.data() + file.position, count);
        file.position += count;
        return static_cast<tmsize_t>(count);
    }
    static tmsize_t write(thandle_t handle, void* buffer, tmsize_t size)
    {
        MemoryTiff& file = of(handle);
        std::size_t const count = static_cast<std::size_t>(size);
        if (file.bytes.size() < file.position + count)
            file.bytes.resize(file.position + count);
        std::memcpy(file.bytes.data() + file.position, buffer, count);
        file.position += count;
        return size;
    }
    static toff_t seek(thandle_t handle, toff_t offset, int whence)
    {
        MemoryTiff& file = of(handle);
        std::size_t const base = whence == SEEK_CUR ? file.position
            : whence == SEEK_END                    ? file.bytes.size()
                                                    : 0;
        file.position = base + static_cast<std::size_t>(offset);
        return file.position;
    }
    static int close(thandle_t) { return 0; }
    static toff_t size(thandle_t handle) { return of(handle).bytes.size(); }
    static int map(thandle_t, void**, toff_t*) { return 0; }
    static void unmap(thandle_t, void*, toff_t) { }
};

// The samples of one pixel as the layout stores them, 16-bit ones too.
std::vector<std::uint16_t> tiffSamples(std::uint32_t straight, const ImageSamples::TiffLayout& layout)
{
    using Alpha = ImageSamples::TiffLayout::Alpha;
    std::uint32_t const a = straight >> 24;
    auto colour = [&](int shift) {
        std::uint32_t const c = straight >> shift & 0xff;
        return layout.alpha == Alpha::Associated ? (c * a + 127) / 255 : c;
    };
    std::vector<std::uint32_t> samples;
    if (layout.grey)
        samples = { colour(8) };
    else
        samples = { colour(16), colour(8), colour(0) };
    if (layout.alpha != Alpha::None)
        samples.push_back(a);
    std::vector<std::uint16_t> out;
    for (std::uint32_t sample : samples)
        out.push_back(static_cast<std::uint16_t>(layout.bitsPerSample == 16 ? sample * 257 : sample));
    return out;
}

void putSample(std::vector<std::uint8_t>& buffer, std::size_t index, std::uint16_t sample, int bits)
{
    if (bits == 16)
        std::memcpy(buffer.data() + index * 2, &sample, 2);
    else
        buffer[index] = static_cast<std::uint8_t>(sample);
}

} // namespace

std::string ImageSamples::tiff(
    int width, int height, const std::vector<std::uint32_t>& straight, const TiffLayout& layout)
{
    MemoryTiff file;
    std::string mode = std::string("w") + (layout.bigEndian ? "b" : "l") + (layout.bigTiff ? "8" : "");
    TIFF* out = TIFFClientOpen("sample", mode.c_str(), &file, MemoryTiff::read, MemoryTiff::write,
        MemoryTiff::seek, MemoryTiff::close, MemoryTiff::size, MemoryTiff::map, MemoryTiff::unmap);
    if (!out)
        throw std::runtime_error("TIFFClientOpen");
    int const samples = static_cast<int>(tiffSamples(0, layout).size());
    int const bits = layout.bitsPerSample;
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(samples));
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits));
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, layout.grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(
        out, TIFFTAG_PLANARCONFIG, layout.separatePlanes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_COMPRESSION, layout.lzw ? COMPRESSION_LZW : COMPRESSION_NONE);
    if (layout.alpha != TiffLayout::Alpha::None) {
        std::uint16_t const kind
            = layout.alpha == TiffLayout::Alpha::Associated ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(out, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (layout.orientation)
        TIFFSetField(out, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(*layout.orientation));
    // Every plane of the picture, samples side by side or one plane a sample.
    int const planes = layout.separatePlanes ? samples : 1;
    int const perPlane = layout.separatePlanes ? 1 : samples;
    std::size_t const bytesPerSample = bits / 8;
    auto planeRow = [&](int plane, int y, int x0, int count) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(count) * perPlane * bytesPerSample, 0);
        for (int x = x0; x < std::min(width, x0 + count) && y < height; ++x) {
            auto const values = tiffSamples(straight[static_cast<std::size_t>(y) * width + x], layout);
            for (int s = 0; s < perPlane; ++s)
                putSample(
                    row, static_cast<std::size_t>(x - x0) * perPlane + s, values[plane * perPlane + s], bits);
        }
        return row;
    };
    if (layout.tiled) {
        int const side = 16;
        TIFFSetField(out, TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(side));
        TIFFSetField(out, TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(side));
        for (int plane = 0; plane < planes; ++plane)
            for (int y0 = 0; y0 < height; y0 += side)
                for (int x0 = 0; x0 < width; x0 += side) {
                    std::vector<std::uint8_t> tile;
                    for (int y = y0; y < y0 + side; ++y) {
                        auto const row = planeRow(plane, y, x0, side);
                        tile.insert(tile.end(), row.begin(), row.end());
                    }
                    if (TIFFWriteTile(out, tile.data(), static_cast<std::uint32_t>(x0),
                            static_cast<std::uint32_t>(y0), 0, static_cast<std::uint16_t>(plane))
                        < 0)
                        throw std::runtime_error("TIFFWriteTile");
                }
    } else {
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(layout.rowsPerStrip));
        for (int plane = 0; plane < planes; ++plane)
            for (int y = 0; y < height; ++y) {
                auto row = planeRow(plane, y, 0, width);
                if (TIFFWriteScanline(
                        out, row.data(), static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(plane))
                    < 0)
                    throw std::runtime_error("TIFFWriteScanline");
            }
    }
    TIFFClose(out);
    return file.bytes;
}

std::string ImageSamples::tiffClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string tiff
        = ImageSamples::tiff(4, 4, std::vector<std::uint32_t>(16, ~0u), { .rowsPerStrip = 65535 });
    auto u16 = [&](std::size_t at) {
        return std::uint16_t(std::uint8_t(tiff[at]) | std::uint8_t(tiff[at + 1]) << 8);
    };
    std::size_t const ifd = std::uint8_t(tiff[4]) | std::uint8_t(tiff[5]) << 8 | std::uint8_t(tiff[6]) << 16
        | std::size_t(std::uint8_t(tiff[7])) << 24;
    for (std::size_t i = 0; i < u16(ifd); ++i) {
        std::size_t const entry = ifd + 2 + i * 12;
        if (u16(entry) != TIFFTAG_IMAGEWIDTH && u16(entry) != TIFFTAG_IMAGELENGTH)
            continue;
        std::uint32_t const value = u16(entry) == TIFFTAG_IMAGEWIDTH ? width : height;
        // LONG, count 1, the value in place.
        tiff.replace(entry + 2, 6, std::string("\x04\0\x01\0\0\0", 6));
        for (int b = 0; b < 4; ++b)
            tiff[entry + 8 + b] = static_cast<char>(value >> (8 * b));
    }
    return tiff;
}

namespace {

std::vector<std::uint8_t> rgbaBytes(const std::vector<std::uint32_t>& straight)
{
    std::vector<std::uint8_t> rgba;
    rgba.reserve(straight.size() * 4);
    for (std::uint32_t p : straight)
        rgba.insert(rgba.end(),
            { std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), std::uint8_t(p >> 24) });
    return rgba;
}

} // namespace

std::string ImageSamples::webp(
    int width, int height, const std::vector<std::uint32_t>& straight, const WebPLayout& layout)
{
    auto const rgba = rgbaBytes(straight);
    std::uint8_t* encoded = nullptr;
    std::size_t const size = layout.lossless
        ? WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &encoded)
        : WebPEncodeRGBA(rgba.data(), width, height, width * 4, static_cast<float>(layout.quality), &encoded);
    if (!size)
        throw std::runtime_error("WebPEncode");
    std::string bytes(reinterpret_cast<const char*>(encoded), size);
    WebPFree(encoded);
    if (!layout.exifOrientation)
        return bytes;
    // Little-endian TIFF with one IFD entry: orientation, SHORT, count 1.
    std::string exif = std::string("II\x2a\0\x08\0\0\0", 8) + std::string("\x01\0", 2)
        + std::string("\x12\x01\x03\0\x01\0\0\0", 8) + static_cast<char>(*layout.exifOrientation)
        + std::string(3, '\0') + std::string(4, '\0');
    WebPMux* mux = WebPMuxNew();
    WebPData const image { reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() };
    WebPData const chunk { reinterpret_cast<const std::uint8_t*>(exif.data()), exif.size() };
    WebPData assembled {};
    if (WebPMuxSetImage(mux, &image, 1) != WEBP_MUX_OK
        || WebPMuxSetChunk(mux, "EXIF", &chunk, 1) != WEBP_MUX_OK
        || WebPMuxAssemble(mux, &assembled) != WEBP_MUX_OK)
        throw std::runtime_error("WebPMux");
    WebPMuxDelete(mux);
    std::string out(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    WebPDataClear(&assembled);
    return out;
}

std::string ImageSamples::animatedWebp(
    int width, int height, const std::vector<std::vector<std::uint32_t>>& frames, int frameMilliseconds)
{
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = 1;
    int timestamp = 0;
    for (const auto& frame : frames) {
        auto rgba = rgbaBytes(frame);
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = width;
        picture.height = height;
        WebPPictureImportRGBA(&picture, rgba.data(), width * 4);
        bool const added = WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        if (!added)
            throw std::runtime_error("WebPAnimEncoderAdd");
        timestamp += frameMilliseconds;
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData assembled {};
    if (!WebPAnimEncoderAssemble(encoder, &assembled))
        throw std::runtime_error("WebPAnimEncoderAssemble");
    WebPAnimEncoderDelete(encoder);
    std::string out(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    WebPDataClear(&assembled);
    return out;
}

} // namespace support
