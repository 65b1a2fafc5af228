#include "platform/graphics/ExifReader.h"
#include "platform/graphics/GifDecoder.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageEncoder.h"
#include "platform/graphics/ImageFormat.h"
#include "platform/graphics/ImageProbe.h"
#include "platform/graphics/ProgressiveDecoder.h"
#include "support/ImageSamples.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace graphics;
using support::ImageSamples;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

std::uint32_t at(const GifDecoder::Animation& animation, std::size_t frame, int x, int y)
{
    return animation.frames[frame].pixels[static_cast<std::size_t>(y) * animation.width + x];
}

std::optional<ProgressiveDecoder::Partial> partialOf(const std::string& bytes, std::size_t length)
{
    return ProgressiveDecoder::decode(bytesOf(bytes).first(length), 64LL * 1024 * 1024);
}

bool rowOpaque(const ProgressiveDecoder::Partial& partial, int y)
{
    auto const* row = partial.pixels.data() + static_cast<std::size_t>(y) * partial.width;
    return std::all_of(row, row + partial.width, [](std::uint32_t p) { return p >> 24 == 0xff; });
}

bool rowClear(const ProgressiveDecoder::Partial& partial, int y)
{
    auto const* row = partial.pixels.data() + static_cast<std::size_t>(y) * partial.width;
    return std::all_of(row, row + partial.width, [](std::uint32_t p) { return p == 0; });
}

// Every prefix of the file, a few hundred bytes apart.
template<typename Check>
void eachPrefix(const std::string& bytes, Check check)
{
    for (std::size_t length = 64; length < bytes.size(); length += 97)
        check(length);
}

constexpr std::uint32_t Red = 0xffff0000, Green = 0xff00ff00, Blue = 0xff0000ff, Clear = 0;

} // namespace

TEST(GifDecoder, FramesAreCompositedByTheDisposalOfTheFrameBefore)
{
    // Frame 0 fills the canvas red; frame 1 draws green at the left and asks
    // for the background; frame 2 draws blue at the right and asks for the
    // picture before it; frame 3 draws nothing visible.
    std::string gif = ImageSamples::gif(4, 1,
        { { .left = 0, .width = 4, .height = 1, .colour = 1, .disposal = 1, .delay = 10 },
            { .left = 0, .width = 1, .height = 1, .colour = 2, .disposal = 2, .delay = 20 },
            { .left = 3, .width = 1, .height = 1, .colour = 3, .disposal = 3, .delay = 0 },
            { .left = 1, .width = 1, .height = 1, .colour = 0, .disposal = 1, .transparent = true } });
    auto animation = GifDecoder::decode(bytesOf(gif));
    ASSERT_TRUE(animation);
    ASSERT_EQ(animation->frames.size(), 4u);
    EXPECT_EQ(at(*animation, 0, 3, 0), Red);
    EXPECT_EQ(at(*animation, 1, 0, 0), Green);
    EXPECT_EQ(at(*animation, 1, 1, 0), Red);
    // The background disposal cleared the green pixel before frame 2.
    EXPECT_EQ(at(*animation, 2, 0, 0), Clear);
    EXPECT_EQ(at(*animation, 2, 3, 0), Blue);
    // Frame 2's blue was undone; its transparent pixel left red in place.
    EXPECT_EQ(at(*animation, 3, 3, 0), Red);
    EXPECT_EQ(at(*animation, 3, 1, 0), Red);
    EXPECT_TRUE(animation->hasAlpha);
    EXPECT_DOUBLE_EQ(*animation->frames[0].delay, 0.1);
    EXPECT_DOUBLE_EQ(*animation->frames[1].delay, 0.2);
    EXPECT_DOUBLE_EQ(*animation->frames[2].delay, 0.0);
}

TEST(GifDecoder, LimitsRefuseHugeCanvasesAndStopLongAnimations)
{
    std::vector<ImageSamples::GifFrame> frames(5, { .width = 8, .height = 8 });
    std::string gif = ImageSamples::gif(8, 8, frames);
    GifDecoder::Limits limits;
    limits.maxTotalPixels = 3 * 64;
    auto animation = GifDecoder::decode(bytesOf(gif), limits);
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->frames.size(), 3u);
    limits.maxCanvasPixels = 63;
    EXPECT_FALSE(GifDecoder::decode(bytesOf(gif), limits));
    // A frame whose rectangle reaches past the canvas is clipped, not written
    // out of bounds.
    std::string wide = ImageSamples::gif(2, 2, { { .left = 1, .top = 1, .width = 5, .height = 5 } });
    auto clipped = GifDecoder::decode(bytesOf(wide));
    ASSERT_TRUE(clipped);
    EXPECT_EQ(at(*clipped, 0, 1, 1), Red);
    EXPECT_EQ(at(*clipped, 0, 0, 0), Clear);
}

TEST(GifDecoder, CutShortKeepsTheWholeFramesOnly)
{
    std::string gif
        = ImageSamples::gif(16, 16, std::vector<ImageSamples::GifFrame>(3, { .width = 16, .height = 16 }));
    auto whole = GifDecoder::decode(bytesOf(gif));
    ASSERT_TRUE(whole);
    for (std::size_t cut = 6; cut < gif.size(); cut += 7) {
        auto part = GifDecoder::decode(bytesOf(gif.substr(0, cut)));
        if (part) {
            EXPECT_LE(part->frames.size(), whole->frames.size());
        }
    }
    EXPECT_FALSE(GifDecoder::decode(bytesOf(gif.substr(0, 20))));
}

TEST(Image, StillDecoderTakesTheFirstFrameOfAGif)
{
    std::string gif
        = ImageSamples::gif(2, 2, { { .width = 2, .height = 2, .colour = 3 }, { .width = 2, .height = 2 } });
    auto image = Image::fromData(gif);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelAt(1, 1).premultipliedArgb(), Blue);
    EXPECT_TRUE(image->images().empty());
}

TEST(Image, TruncatedJpegIsRefusedNotFilledWithGrey)
{
    std::string jpeg = ImageSamples::jpeg(64, 64, 0x336699);
    ASSERT_TRUE(Image::fromData(jpeg));
    EXPECT_FALSE(Image::fromData(jpeg.substr(0, jpeg.size() * 2 / 3)));
    EXPECT_FALSE(Image::fromData(jpeg.substr(0, jpeg.size() - 2)));
}

TEST(ImageEncoder, RoundTripsKeepPixelsAndAlpha)
{
    auto translucent = ImageSamples::solid(3, 2, 0x80400000);
    auto png = ImageEncoder::png(*translucent);
    ASSERT_TRUE(png);
    auto back = Image::fromData(*png);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->hasAlpha());
    EXPECT_EQ(back->pixelAt(2, 1).premultipliedArgb(), 0x80400000u);

    auto opaque = ImageSamples::solid(3, 2, 0xff102030);
    auto opaquePng = Image::fromData(*ImageEncoder::png(*opaque));
    ASSERT_TRUE(opaquePng);
    EXPECT_FALSE(opaquePng->hasAlpha());
    auto jpeg = ImageEncoder::jpeg(*opaque, 1.0);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(sniffImageFormat(bytesOf(*jpeg)), ImageFormat::Jpeg);
    auto jpegBack = Image::fromData(*jpeg);
    ASSERT_TRUE(jpegBack);
    EXPECT_NEAR(jpegBack->pixelAt(1, 1).premultipliedArgb() & 0xff, 0x30, 3);
}

TEST(ExifReader, FindsTheOrientationAndSurvivesBrokenBlocks)
{
    for (int orientation : { 1, 3, 6, 8 })
        EXPECT_EQ(
            ExifReader::jpegOrientation(bytesOf(ImageSamples::jpeg(4, 4, 0, orientation))), orientation);
    std::string plain = ImageSamples::jpeg(4, 4, 0);
    EXPECT_FALSE(ExifReader::jpegOrientation(bytesOf(plain)));
    // Every cut of a tagged file either finds the tag or nothing.
    std::string tagged = ImageSamples::jpeg(4, 4, 0, 6);
    for (std::size_t cut = 0; cut < 60; ++cut) {
        auto found = ExifReader::jpegOrientation(bytesOf(tagged.substr(0, cut)));
        EXPECT_TRUE(!found || *found == 6);
    }
}

TEST(ImageFormat, SignaturesNameTheFormat)
{
    std::string webp = std::string("RIFF\x10\0\0\0WEBP", 12);
    EXPECT_EQ(contentTypeOf(sniffImageFormat(bytesOf(webp))), "image/webp");
    EXPECT_EQ(sniffImageFormat(bytesOf(webp.substr(0, 11))), ImageFormat::Unknown);
    EXPECT_EQ(contentTypeOf(sniffImageFormat(bytesOf("MM\0*"))), "image/tiff");
    EXPECT_EQ(contentTypeOf(sniffImageFormat(bytesOf("GIF89a"))), "image/gif");
    EXPECT_EQ(contentTypeOf(sniffImageFormat({})), "");
    // A signature alone is no picture.
    EXPECT_FALSE(Image::fromData(webp));
}

// A cut-short file gave no picture at all until the last byte: the still
// decoders refuse what is missing rather than guess it.
TEST(ProgressiveDecoder, SequentialFilesShowTheRowsThatArrived)
{
    for (auto const& [name, bytes] : { std::pair { "jpeg", ImageSamples::sequentialJpeg(96, 96) },
             std::pair { "png", ImageSamples::gradientPng(96, 96, false) } }) {
        auto const half = partialOf(bytes, bytes.size() / 2);
        ASSERT_TRUE(half) << name;
        ASSERT_EQ(half->pixels.size(), 96u * 96u) << name;
        EXPECT_GT(half->progress, 8u) << name;
        EXPECT_LT(half->progress, 96u) << name;
        EXPECT_TRUE(rowOpaque(*half, 0)) << name;
        EXPECT_TRUE(rowClear(*half, 95)) << name;
        EXPECT_TRUE(half->hasAlpha) << name;

        auto const whole = partialOf(bytes, bytes.size());
        auto const final = Image::fromData(bytes);
        ASSERT_TRUE(whole && final) << name;
        EXPECT_EQ(whole->progress, 96u) << name;
        EXPECT_FALSE(whole->hasAlpha) << name;
        EXPECT_EQ(whole->pixels[95 * 96 + 95], final->pixelAt(95, 95).premultipliedArgb()) << name;
    }
}

TEST(ProgressiveDecoder, ProgressiveFilesShowTheWholePictureFromTheirFinishedPasses)
{
    for (auto const& [name, bytes] : { std::pair { "jpeg", ImageSamples::progressiveJpeg(96, 96) },
             std::pair { "png", ImageSamples::gradientPng(96, 96, true) } }) {
        std::uint64_t last = 0;
        int shown = 0;
        eachPrefix(bytes, [&](std::size_t length) {
            auto const partial = partialOf(bytes, length);
            if (!partial)
                return;
            ++shown;
            // Never less than before, and every row covered once anything shows.
            EXPECT_GE(partial->progress, last) << name << " at " << length;
            last = partial->progress;
            EXPECT_TRUE(rowOpaque(*partial, 0) && rowOpaque(*partial, 95)) << name << " at " << length;
        });
        EXPECT_GT(shown, 2) << name;
        EXPECT_GT(last, 1u) << name;
        auto const whole = partialOf(bytes, bytes.size());
        ASSERT_TRUE(whole) << name;
        EXPECT_GT(whole->progress, last) << name;
    }
    // A coarse pass of the gradient is already darker on the left than on the right.
    auto const png = ImageSamples::gradientPng(96, 96, true);
    auto const early = partialOf(png, png.size() / 8);
    ASSERT_TRUE(early);
    EXPECT_LT(early->pixels[40 * 96] & 0xff0000, early->pixels[40 * 96 + 90] & 0xff0000);
}

TEST(ProgressiveDecoder, OtherFormatsAndHugePicturesGiveNoPartial)
{
    std::string const gif = ImageSamples::gif(4, 4, { { .width = 4, .height = 4 } });
    EXPECT_FALSE(partialOf(gif, gif.size()));
    std::string const jpeg = ImageSamples::progressiveJpeg(64, 64);
    EXPECT_FALSE(ProgressiveDecoder::decode(bytesOf(jpeg), 63 * 64));
    std::string const png = ImageSamples::gradientPng(64, 64, false);
    EXPECT_FALSE(ProgressiveDecoder::decode(bytesOf(png), 63 * 64));
    EXPECT_FALSE(partialOf(png, 40));
}

// Decoding memory is reserved before the decode runs: the probe must never
// count less than the decoder takes.
TEST(ImageProbe, CountsWhatTheDecoderWillHold)
{
    std::string const progressive = ImageSamples::progressiveJpeg(64, 48);
    auto const deep = ImageProbe::probe(bytesOf(progressive).first(progressive.size() / 3));
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->width, 64);
    EXPECT_EQ(deep->height, 48);
    EXPECT_TRUE(deep->progressive);
    // The bitmap and, gathered whole, the coefficients of three components.
    EXPECT_GE(deep->decodeBytes, 64u * 48 * 4 + 64u * 48 * 2 * 3 / 2);

    std::string const sequential = ImageSamples::sequentialJpeg(64, 48);
    auto const flat = ImageProbe::probe(bytesOf(sequential));
    ASSERT_TRUE(flat);
    EXPECT_FALSE(flat->progressive);
    EXPECT_GE(flat->decodeBytes, 64u * 48 * 4);
    EXPECT_LT(flat->decodeBytes, deep->decodeBytes);

    auto const png = ImageProbe::probe(bytesOf(ImageSamples::gradientPng(30, 20, true)));
    ASSERT_TRUE(png);
    EXPECT_TRUE(png->progressive);
    EXPECT_GE(png->decodeBytes, 30u * 20 * 4);

    // Ten frames of which the limits let three through: what decode keeps.
    std::vector<ImageSamples::GifFrame> frames(10, { .width = 8, .height = 8 });
    std::string const gif = ImageSamples::gif(8, 8, frames);
    GifDecoder::Limits limits;
    limits.maxTotalPixels = 3 * 64;
    auto const animation = ImageProbe::probe(bytesOf(gif), limits);
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->frames, 3);
    ASSERT_EQ(GifDecoder::decode(bytesOf(gif), limits)->frames.size(), 3u);
    EXPECT_GE(animation->decodeBytes, 3u * 64 * 4);

    EXPECT_FALSE(ImageProbe::probe(bytesOf(progressive).first(20)));
    EXPECT_FALSE(ImageProbe::probe(bytesOf(std::string("RIFF\0\0\0\0WEBP", 12))));
}
