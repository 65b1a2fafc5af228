#include "platform/graphics/TiffDecoder.h"

#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <tiffio.h>

namespace graphics {

namespace {

// The file as libtiff reads it. libtiff maps its own files read-only, so
// the caller's bytes, handed to it as the mapping, are never written.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    std::uint64_t position = 0;
};

MemoryFile& fileOf(thandle_t handle)
{
    return *static_cast<MemoryFile*>(handle);
}

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size)
{
    MemoryFile& file = fileOf(handle);
    if (size <= 0 || file.position >= file.bytes.size())
        return 0;
    std::uint64_t const count
        = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), file.bytes.size() - file.position);
    std::memcpy(buffer, file.bytes.data() + file.position, count);
    file.position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    MemoryFile& file = fileOf(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = file.position;
    else if (whence == SEEK_END)
        base = file.bytes.size();
    // Offsets come from the file: one that wraps is as bad as a negative one.
    if (offset > UINT64_MAX - base)
        return static_cast<toff_t>(-1);
    file.position = base + offset;
    return file.position;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return fileOf(handle).bytes.size();
}

int mapProc(thandle_t handle, void** base, toff_t* size)
{
    MemoryFile& file = fileOf(handle);
    *base = const_cast<std::uint8_t*>(file.bytes.data());
    *size = file.bytes.size();
    return 1;
}

void unmapProc(thandle_t, void*, toff_t)
{
}

// Taken as said: nothing reaches standard error.
int quiet(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct Closer {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffPtr = std::unique_ptr<TIFF, Closer>;

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// One strip or tile of the largest picture decoded, at 8 bytes a pixel (four
// 16-bit samples), is the most libtiff may ask for at once; a header that
// says otherwise is lying. Small pictures still get room for a 16-bit
// palette.
tmsize_t largestAllocation(long long maxPixels)
{
    long long const pixels = std::min(maxPixels, Image::maxDecodePixels);
    return static_cast<tmsize_t>(std::max(pixels * 8, 1LL << 20));
}

TiffPtr open(MemoryFile& file, long long maxPixels)
{
    // Messages without a file (libtiff's own start-up) have only the
    // process-wide handlers; they are silenced once, before any file opens.
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), largestAllocation(maxPixels));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quiet, nullptr);
    // Read from the mapping: libtiff 4.5 misreads the tile byte counts of a
    // big-endian file through readProc.
    return TiffPtr(TIFFClientOpenExt("memory", "r", &file, readProc, writeProc, seekProc, closeProc, sizeProc,
        mapProc, unmapProc, options.get()));
}

bool readSize(TIFF* tiff, std::uint32_t& width, std::uint32_t& height)
{
    return TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) == 1
        && TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) == 1 && width > 0 && height > 0
        && width <= 0x7fffffff && height <= 0x7fffffff;
}

// libtiff's RGBA words hold red in the low byte; ours hold blue there. Alpha
// left straight (grey with unassociated alpha, put by putGreyWithAlpha) is
// premultiplied, and colour above its alpha, which only a damaged or hostile
// file has, is cut down to it.
void toPremultipliedArgb(std::vector<std::uint32_t>& pixels, int alpha, bool straightGrey)
{
    if (!alpha) {
        for (std::uint32_t& p : pixels)
            p = 0xff000000u | (p & 0xff) << 16 | (p & 0xff00) | (p >> 16 & 0xff);
        return;
    }
    for (std::uint32_t& p : pixels)
        p = (p & 0xff000000u) | (p & 0xff) << 16 | (p & 0xff00) | (p >> 16 & 0xff);
    if (alpha == EXTRASAMPLE_UNASSALPHA && straightGrey) {
        premultiplyArgb(pixels);
        return;
    }
    for (std::uint32_t& p : pixels) {
        std::uint32_t const a = p >> 24;
        auto cut = [a](std::uint32_t c) { return std::min(c, a); };
        p = a << 24 | cut(p >> 16 & 0xff) << 16 | cut(p >> 8 & 0xff) << 8 | cut(p & 0xff);
    }
}

// Grey with alpha, samples side by side, put as libtiff's own routines put
// it but for two of their faults: 16-bit grey lost its alpha (it was put as
// if it had none), and a tile cut short at the right edge was read from the
// wrong place (the skew over the cut-off pixels was counted in samples where
// it is pixels). The grey goes through libtiff's own map, which also turns
// min-is-white round; 16-bit samples keep their high byte, as libtiff does.
// The alpha is left as stored, straight or premultiplied.
template<int Bits>
void putGreyWithAlpha(TIFFRGBAImage* reader, std::uint32_t* out, std::uint32_t, std::uint32_t,
    std::uint32_t width, std::uint32_t height, std::int32_t fromskew, std::int32_t toskew, unsigned char* in)
{
    constexpr std::ptrdiff_t sampleBytes = Bits / 8;
    std::ptrdiff_t const pixelBytes = sampleBytes * reader->samplesperpixel;
    auto sample = [](const unsigned char* at) -> std::uint32_t {
        if constexpr (Bits == 16) {
            std::uint16_t value = 0;
            std::memcpy(&value, at, 2);
            return value >> 8;
        } else {
            return *at;
        }
    };
    for (; height > 0; --height) {
        for (std::uint32_t x = 0; x < width; ++x) {
            *out++ = (reader->BWmap[sample(in)][0] & 0x00ffffffu) | sample(in + sampleBytes) << 24;
            in += pixelBytes;
        }
        out += toskew;
        in += fromskew * pixelBytes;
    }
}

bool isGrey(std::uint16_t photometric)
{
    return photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
}

} // namespace

bool TiffDecoder::hasSignature(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 4)
        return false;
    if (bytes[0] == 'I' && bytes[1] == 'I')
        return (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0;
    if (bytes[0] == 'M' && bytes[1] == 'M')
        return bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43);
    return false;
}

std::optional<TiffDecoder::Header> TiffDecoder::readHeader(std::span<const std::uint8_t> bytes)
{
    if (!hasSignature(bytes))
        return std::nullopt;
    MemoryFile file { bytes };
    TiffPtr tiff = open(file, Image::maxDecodePixels);
    std::uint32_t width = 0, height = 0;
    if (!tiff || !readSize(tiff.get(), width, height))
        return std::nullopt;
    std::uint16_t planar = PLANARCONFIG_CONTIG, samples = 1;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    std::uint64_t const piece
        = TIFFIsTiled(tiff.get()) ? TIFFTileSize64(tiff.get()) : TIFFStripSize64(tiff.get());
    Header header;
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    header.workingBytes = piece * (planar == PLANARCONFIG_SEPARATE ? samples : 1u);
    return header;
}

std::optional<StillBitmap> TiffDecoder::decode(std::span<const std::uint8_t> bytes, long long maxPixels)
{
    if (!hasSignature(bytes))
        return std::nullopt;
    MemoryFile file { bytes };
    TiffPtr tiff = open(file, maxPixels);
    std::uint32_t width = 0, height = 0;
    if (!tiff || !readSize(tiff.get(), width, height) || !acceptableSize(width, height, maxPixels))
        return std::nullopt;
    char message[1024];
    if (!TIFFRGBAImageOK(tiff.get(), message))
        return std::nullopt;
    TIFFRGBAImage reader {};
    if (!TIFFRGBAImageBegin(&reader, tiff.get(), 1, message))
        return std::nullopt;
    // Asking for the file's own orientation leaves the rows as stored.
    reader.req_orientation = reader.orientation;
    // Grey in planes is put as RGB is, its alpha premultiplied on the way.
    bool const ownGreyWithAlpha = reader.isContig && reader.alpha && isGrey(reader.photometric)
        && reader.samplesperpixel >= 2 && reader.BWmap
        && (reader.bitspersample == 8 || reader.bitspersample == 16);
    if (ownGreyWithAlpha)
        reader.put.contig = reader.bitspersample == 16 ? putGreyWithAlpha<16> : putGreyWithAlpha<8>;
    StillBitmap bitmap;
    bitmap.width = static_cast<int>(width);
    bitmap.height = static_cast<int>(height);
    bitmap.pixels.resize(static_cast<std::size_t>(width) * height);
    bool const read = TIFFRGBAImageGet(&reader, bitmap.pixels.data(), width, height) == 1;
    int const alpha = reader.alpha;
    TIFFRGBAImageEnd(&reader);
    if (!read)
        return std::nullopt;
    toPremultipliedArgb(bitmap.pixels, alpha, ownGreyWithAlpha);
    bitmap.hasAlpha = alpha != 0;
    return bitmap;
}

} // namespace graphics
