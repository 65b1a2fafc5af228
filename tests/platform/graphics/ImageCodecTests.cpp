#include "platform/graphics/ExifReader.h"
#include "platform/graphics/GifDecoder.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageEncoder.h"
#include "platform/graphics/ImageFormat.h"
#include "support/ImageSamples.h"

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
    // Recognised by name only: there is no decoder behind them.
    EXPECT_FALSE(Image::fromData(webp));
}
