#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace graphics {

// GIF over giflib, one record at a time so that every size is checked before
// anything is allocated for it. Frames come out composited on the logical
// screen as a viewer shows them: each frame drawn over what its predecessor's
// disposal method left (kept, cleared to transparent, or restored to the
// picture before it).
class GifDecoder {
public:
    struct Limits {
        // The logical screen, in pixels.
        long long maxCanvasPixels = 64LL * 1024 * 1024;
        // Frames x canvas: what the decoded animation holds in memory.
        long long maxTotalPixels = 96LL * 1024 * 1024;
        // Tiny frames cost little in pixels but each still costs a record.
        int maxFrames = 2000;
    };
    struct Frame {
        // Premultiplied 0xAARRGGBB words, canvas width x height.
        std::vector<std::uint32_t> pixels;
        // Seconds from the graphic control extension; absent without one.
        // GIF stores a single delay, so it serves as the clamped and the
        // unclamped delay alike.
        std::optional<double> delay;
    };
    struct Animation {
        int width = 0;
        int height = 0;
        std::vector<Frame> frames;
        // Whether any frame leaves pixels transparent.
        bool hasAlpha = false;
    };

    // What decode() would hold, found without decompressing a frame.
    struct Extent {
        int width = 0;
        int height = 0;
        // The frames decode() keeps under the limits.
        int frames = 0;
        long long largestFramePixels = 0;
    };

    // nullopt for data that is not a GIF, has no frame, or breaks a limit.
    // A file cut short keeps the frames that arrived whole.
    static std::optional<Animation> decode(std::span<const std::uint8_t> bytes, Limits limits);
    static std::optional<Animation> decode(std::span<const std::uint8_t> bytes)
    {
        return decode(bytes, Limits {});
    }
    // nullopt where decode() gives nothing.
    static std::optional<Extent> measure(std::span<const std::uint8_t> bytes, Limits limits);
    static bool hasSignature(std::span<const std::uint8_t> bytes);
};

} // namespace graphics
