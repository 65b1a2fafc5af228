#include "platform/graphics/GifDecoder.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>

namespace graphics {

namespace {

struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* buffer, int length)
{
    auto* reader = static_cast<Reader*>(gif->UserData);
    if (length <= 0)
        return 0;
    std::size_t const count
        = std::min<std::size_t>(static_cast<std::size_t>(length), reader->bytes.size() - reader->position);
    std::memcpy(buffer, reader->bytes.data() + reader->position, count);
    reader->position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

enum class Disposal { Unspecified = 0, Keep = 1, Background = 2, Previous = 3 };

struct Control {
    Disposal disposal = Disposal::Unspecified;
    int transparentIndex = -1;
    std::optional<double> delay;
};

Control readControl(const GifByteType* extension)
{
    Control control;
    // extension[0] is the block's length; the block is flags, delay (2), index.
    if (!extension || extension[0] < 4)
        return control;
    GifByteType const flags = extension[1];
    int const disposal = (flags >> 2) & 7;
    control.disposal = disposal <= 3 ? static_cast<Disposal>(disposal) : Disposal::Unspecified;
    if (flags & 1)
        control.transparentIndex = extension[4];
    control.delay = (extension[2] | extension[3] << 8) / 100.0;
    return control;
}

struct Rect {
    int left, top, width, height;
};

// Clipped to the canvas, so drawing and clearing never step outside it.
Rect clip(const GifImageDesc& desc, int canvasWidth, int canvasHeight)
{
    int const left = std::clamp(desc.Left, 0, canvasWidth);
    int const top = std::clamp(desc.Top, 0, canvasHeight);
    int const right = std::clamp(desc.Left + desc.Width, left, canvasWidth);
    int const bottom = std::clamp(desc.Top + desc.Height, top, canvasHeight);
    return { left, top, right - left, bottom - top };
}

bool readRaster(GifFileType* gif, std::vector<GifPixelType>& raster, int width, int height, bool interlaced)
{
    raster.resize(static_cast<std::size_t>(width) * height);
    auto readRow = [&](int row) {
        return DGifGetLine(gif, raster.data() + static_cast<std::size_t>(row) * width, width) == GIF_OK;
    };
    if (!interlaced) {
        for (int row = 0; row < height; ++row) {
            if (!readRow(row))
                return false;
        }
        return true;
    }
    static constexpr int start[] = { 0, 4, 2, 1 };
    static constexpr int step[] = { 8, 8, 4, 2 };
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = start[pass]; row < height; row += step[pass]) {
            if (!readRow(row))
                return false;
        }
    }
    return true;
}

// The data opened for reading, when it is a GIF whose logical screen is
// within the limits. giflib reads through the reader, so neither moves.
class OpenGif {
public:
    OpenGif(std::span<const std::uint8_t> bytes, const GifDecoder::Limits& limits)
        : m_reader { bytes }
    {
        if (!GifDecoder::hasSignature(bytes))
            return;
        int error = 0;
        m_gif.reset(DGifOpen(&m_reader, readFromMemory, &error));
        if (m_gif
            && (m_gif->SWidth <= 0 || m_gif->SHeight <= 0
                || static_cast<long long>(m_gif->SWidth) * m_gif->SHeight > limits.maxCanvasPixels))
            m_gif.reset();
    }
    OpenGif(const OpenGif&) = delete;
    OpenGif& operator=(const OpenGif&) = delete;

    explicit operator bool() const { return m_gif != nullptr; }
    GifFileType* get() const { return m_gif.get(); }
    GifFileType* operator->() const { return m_gif.get(); }

private:
    Reader m_reader;
    std::unique_ptr<GifFileType, GifCloser> m_gif;
};

// Walks the records up to the first frame that breaks a limit or is cut
// short, handing each frame's descriptor and control block to `frame`, which
// reads the frame's codes and answers whether it was whole.
template<typename OnFrame>
void walkFrames(GifFileType* gif, const GifDecoder::Limits& limits, OnFrame frame)
{
    long long const canvasPixels = static_cast<long long>(gif->SWidth) * gif->SHeight;
    Control control;
    long long frames = 0;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            break;
        if (type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif, &code, &extension) != GIF_OK)
                break;
            if (code == GRAPHICS_EXT_FUNC_CODE)
                control = readControl(extension);
            bool broken = false;
            while (extension) {
                if (DGifGetExtensionNext(gif, &extension) != GIF_OK) {
                    broken = true;
                    break;
                }
            }
            if (broken)
                break;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif) != GIF_OK)
            break;
        GifImageDesc const desc = gif->Image;
        long long const framePixels = static_cast<long long>(desc.Width) * desc.Height;
        if (desc.Width <= 0 || desc.Height <= 0 || framePixels > limits.maxCanvasPixels)
            break;
        if (frames >= limits.maxFrames || (frames + 1) * canvasPixels > limits.maxTotalPixels)
            break;
        if (!frame(desc, control))
            break;
        ++frames;
        control = {};
    }
}

} // namespace

bool GifDecoder::hasSignature(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 6 && std::memcmp(bytes.data(), "GIF8", 4) == 0
        && (bytes[4] == '7' || bytes[4] == '9') && bytes[5] == 'a';
}

std::optional<GifDecoder::Extent> GifDecoder::measure(std::span<const std::uint8_t> bytes, Limits limits)
{
    OpenGif gif(bytes, limits);
    if (!gif)
        return std::nullopt;
    Extent extent;
    extent.width = gif->SWidth;
    extent.height = gif->SHeight;
    walkFrames(gif.get(), limits, [&](const GifImageDesc& desc, const Control&) {
        // The codes are stepped over, never decompressed.
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif.get(), &codeSize, &block) != GIF_OK)
            return false;
        while (block) {
            if (DGifGetCodeNext(gif.get(), &block) != GIF_OK)
                return false;
        }
        ++extent.frames;
        extent.largestFramePixels
            = std::max(extent.largestFramePixels, static_cast<long long>(desc.Width) * desc.Height);
        return true;
    });
    if (extent.frames == 0)
        return std::nullopt;
    return extent;
}

std::optional<GifDecoder::Animation> GifDecoder::decode(std::span<const std::uint8_t> bytes, Limits limits)
{
    OpenGif gif(bytes, limits);
    if (!gif)
        return std::nullopt;

    Animation animation;
    animation.width = gif->SWidth;
    animation.height = gif->SHeight;
    std::vector<std::uint32_t> canvas(static_cast<std::size_t>(animation.width) * animation.height, 0);
    std::vector<std::uint32_t> saved;
    std::vector<GifPixelType> raster;
    Rect previousRect {};
    Disposal previousDisposal = Disposal::Unspecified;

    walkFrames(gif.get(), limits, [&](const GifImageDesc& desc, const Control& control) {
        if (!readRaster(gif.get(), raster, desc.Width, desc.Height, desc.Interlace))
            return false;

        // What the previous frame asked to leave behind.
        if (previousDisposal == Disposal::Background) {
            for (int y = previousRect.top; y < previousRect.top + previousRect.height; ++y)
                std::fill_n(
                    canvas.begin() + static_cast<std::ptrdiff_t>(y) * animation.width + previousRect.left,
                    previousRect.width, 0u);
        } else if (previousDisposal == Disposal::Previous && !saved.empty()) {
            canvas = saved;
        }
        if (control.disposal == Disposal::Previous)
            saved = canvas;

        ColorMapObject const* colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        Rect const rect = clip(desc, animation.width, animation.height);
        for (int y = rect.top; y < rect.top + rect.height; ++y) {
            GifPixelType const* source = raster.data() + static_cast<std::size_t>(y - desc.Top) * desc.Width
                + (rect.left - desc.Left);
            std::uint32_t* target = canvas.data() + static_cast<std::size_t>(y) * animation.width + rect.left;
            for (int x = 0; x < rect.width; ++x) {
                int const index = source[x];
                // An index without a colour is drawn as nothing, like the
                // transparent one.
                if (index == control.transparentIndex || !colors || index >= colors->ColorCount)
                    continue;
                GifColorType const c = colors->Colors[index];
                target[x] = 0xff000000u | std::uint32_t(c.Red) << 16 | std::uint32_t(c.Green) << 8 | c.Blue;
            }
        }
        if (!animation.hasAlpha)
            animation.hasAlpha
                = std::any_of(canvas.begin(), canvas.end(), [](std::uint32_t p) { return p >> 24 != 0xff; });
        animation.frames.push_back({ canvas, control.delay });
        previousRect = rect;
        previousDisposal = control.disposal;
        return true;
    });
    if (animation.frames.empty())
        return std::nullopt;
    return animation;
}

} // namespace graphics
