#include "platform/graphics/ExifReader.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageProbe.h"
#include "support/ImageSamples.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace graphics;
using support::ImageSamples;
using Layout = ImageSamples::TiffLayout;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

// Odd sizes, so that the last strip and the tiles at the edges are partial.
constexpr int Width = 37, Height = 23;

std::vector<std::uint32_t> gradientWords()
{
    return ImageSamples::wordsOf(*ImageSamples::gradient(Width, Height));
}

// Straight red 200, green 100, blue 50 at half alpha; premultiplied as Color
// does it.
constexpr std::uint32_t HalfOrange = 0x80c86432;
const std::uint32_t HalfOrangePremultiplied
    = Color(200 / 255.0, 100 / 255.0, 50 / 255.0, 128 / 255.0).premultipliedArgb();

// Each channel within `tolerance`.
::testing::AssertionResult near(std::uint32_t actual, std::uint32_t expected, int tolerance)
{
    for (int shift : { 24, 16, 8, 0 }) {
        int const a = actual >> shift & 0xff, e = expected >> shift & 0xff;
        if (std::abs(a - e) > tolerance)
            return ::testing::AssertionFailure() << std::hex << actual << " is not " << expected;
    }
    return ::testing::AssertionSuccess();
}

// What a block of code writes to standard error.
template<typename Block> std::string standardErrorOf(Block block)
{
    std::fflush(stderr);
    FILE* capture = std::tmpfile();
    int const saved = ::dup(2);
    ::dup2(::fileno(capture), 2);
    block();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::rewind(capture);
    std::string text;
    for (int c; (c = std::fgetc(capture)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(capture);
    return text;
}

} // namespace

// Every layout a TIFF writer may choose gives back the picture stored, row 0 first.
TEST(TiffDecoder, EveryLayoutGivesTheStoredPixels)
{
    auto const source = gradientWords();
    std::vector<std::pair<const char*, Layout>> const layouts {
        { "little-endian strips", {} },
        { "big-endian strips", { .bigEndian = true } },
        { "big-endian tiles", { .bigEndian = true, .tiled = true } },
        { "little-endian tiles in planes", { .tiled = true, .separatePlanes = true } },
        { "strips in planes", { .bigEndian = true, .rowsPerStrip = 1, .separatePlanes = true } },
        { "16-bit LZW strips", { .bitsPerSample = 16, .lzw = true } },
        { "big TIFF", { .bigTiff = true, .tiled = true } },
        { "big-endian big TIFF", { .bigEndian = true, .bigTiff = true } },
    };
    for (auto const& [name, layout] : layouts) {
        auto const image = Image::fromData(ImageSamples::tiff(Width, Height, source, layout));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->pixelWidth(), Width) << name;
        EXPECT_EQ(image->pixelHeight(), Height) << name;
        EXPECT_FALSE(image->hasAlpha()) << name;
        EXPECT_TRUE(std::equal(source.begin(), source.end(), image->pixels())) << name;
    }
    auto const grey
        = Image::fromData(ImageSamples::tiff(Width, Height, source, { .tiled = true, .grey = true }));
    ASSERT_TRUE(grey);
    std::uint32_t const g = source[5 * Width + 7] >> 8 & 0xff;
    EXPECT_EQ(grey->pixelAt(7, 5).premultipliedArgb(), 0xff000000 | g << 16 | g << 8 | g);

    // An orientation tag does not turn the rows: the image carries it.
    for (int orientation : { 3, 6, 8 }) {
        std::string const turned = ImageSamples::tiff(Width, Height, source, { .orientation = orientation });
        auto const image = Image::fromData(turned);
        ASSERT_TRUE(image) << orientation;
        EXPECT_TRUE(std::equal(source.begin(), source.end(), image->pixels())) << orientation;
        EXPECT_EQ(ExifReader::orientation(bytesOf(turned)), orientation);
    }
    EXPECT_EQ(ExifReader::orientation(bytesOf(ImageSamples::tiff(4, 4, std::vector<std::uint32_t>(16, ~0u),
                  { .bigEndian = true, .bigTiff = true, .orientation = 5 }))),
        5);
}

// Alpha came out straight from some layouts and premultiplied from others.
TEST(TiffDecoder, AlphaComesOutPremultipliedHoweverTheFileStoresIt)
{
    std::vector<std::uint32_t> const half(16, HalfOrange);
    using Alpha = Layout::Alpha;
    for (auto const& [name, layout] : std::vector<std::pair<const char*, Layout>> {
             { "associated", { .alpha = Alpha::Associated } },
             { "unassociated", { .alpha = Alpha::Unassociated } },
             { "unassociated in planes", { .separatePlanes = true, .alpha = Alpha::Unassociated } },
             { "unassociated 16-bit tiles",
                 { .tiled = true, .alpha = Alpha::Unassociated, .bitsPerSample = 16 } },
         }) {
        auto const image = Image::fromData(ImageSamples::tiff(4, 4, half, layout));
        ASSERT_TRUE(image) << name;
        EXPECT_TRUE(image->hasAlpha()) << name;
        EXPECT_TRUE(near(image->pixelAt(3, 3).premultipliedArgb(), HalfOrangePremultiplied, 1)) << name;
    }
}

// Grey with alpha came out wrong in three layouts: 16-bit grey opaque (or
// darkened where stored premultiplied), the last tile of a row of 8-bit
// tiles shifted, and grey in planes with straight alpha premultiplied twice.
TEST(TiffDecoder, GreyWithAlphaGivesTheStoredPictureInEveryLayout)
{
    // Alpha from 0 to 255 across, the grey changing down: partial strips and
    // tiles at the edges show a row or column put in the wrong place.
    std::vector<std::uint32_t> source;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            source.push_back(static_cast<std::uint32_t>(x * 255 / (Width - 1)) << 24
                | static_cast<std::uint32_t>(40 + y * 9) << 8);
    using Alpha = Layout::Alpha;
    for (Alpha alpha : { Alpha::Associated, Alpha::Unassociated })
        for (int bits : { 8, 16 })
            for (auto layout : std::vector<Layout> {
                     { .grey = true },
                     { .bigEndian = true, .tiled = true, .grey = true },
                     { .separatePlanes = true, .grey = true },
                 }) {
                layout.alpha = alpha;
                layout.bitsPerSample = bits;
                auto const image = Image::fromData(ImageSamples::tiff(Width, Height, source, layout));
                ASSERT_TRUE(image);
                EXPECT_TRUE(image->hasAlpha());
                int wrong = 0;
                for (int y = 0; y < Height; ++y)
                    for (int x = 0; x < Width; ++x) {
                        std::uint32_t const stored = source[static_cast<std::size_t>(y) * Width + x];
                        std::uint32_t const expected
                            = Color::fromWhite((stored >> 8 & 0xff) / 255.0, (stored >> 24) / 255.0)
                                  .premultipliedArgb();
                        // Premultiplied in the file, the grey is rounded once more.
                        wrong += !near(image->pixelAt(x, y).premultipliedArgb(), expected, 2);
                    }
                EXPECT_EQ(wrong, 0) << "alpha " << static_cast<int>(alpha) << ", " << bits << " bits, tiled "
                                    << layout.tiled << ", planes " << layout.separatePlanes;
            }
}

// A damaged file printed libtiff's complaints on standard error; a header
// may claim any size.
TEST(TiffDecoder, DamagedAndHostileFilesAreRefusedQuietly)
{
    std::string const whole = ImageSamples::tiff(Width, Height, gradientWords(), { .lzw = true });
    std::string const printed = standardErrorOf([&] {
        for (std::size_t cut : { std::size_t(4), std::size_t(9), whole.size() / 3, whole.size() - 40 })
            EXPECT_FALSE(Image::fromData(whole.substr(0, cut))) << cut;
        std::string scrambled = whole;
        for (std::size_t i = 16; i < scrambled.size(); i += 7)
            scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5a);
        EXPECT_FALSE(Image::fromData(scrambled));
        EXPECT_FALSE(Image::fromData(std::string("II*\0\xff\xff\xff\x7f", 8)));
    });
    EXPECT_EQ(printed, "");

    // Told it is 60000 pixels square: refused before anything that size is
    // asked for, and the probe tells what a decode would take.
    std::string const huge = ImageSamples::tiffClaiming(60000, 60000);
    EXPECT_FALSE(Image::fromData(huge));
    auto const footprint = ImageProbe::probe(bytesOf(huge));
    ASSERT_TRUE(footprint);
    EXPECT_EQ(footprint->width, 60000);
    EXPECT_GE(footprint->decodeBytes, 60000ull * 60000 * 4);
    EXPECT_FALSE(Image::fromData(bytesOf(whole), 1.0, Width * Height - 1));
    EXPECT_TRUE(Image::fromData(bytesOf(whole), 1.0, Width * Height));
}

TEST(WebPDecoder, LossyAndLosslessWithAndWithoutAlpha)
{
    auto const source = gradientWords();
    auto const lossless = Image::fromData(ImageSamples::webp(Width, Height, source));
    ASSERT_TRUE(lossless);
    EXPECT_EQ(lossless->pixelWidth(), Width);
    EXPECT_EQ(lossless->pixelHeight(), Height);
    EXPECT_FALSE(lossless->hasAlpha());
    EXPECT_TRUE(std::equal(source.begin(), source.end(), lossless->pixels()));

    auto const lossy
        = Image::fromData(ImageSamples::webp(Width, Height, source, { .lossless = false, .quality = 95 }));
    ASSERT_TRUE(lossy);
    EXPECT_FALSE(lossy->hasAlpha());
    for (int y : { 0, Height / 2, Height - 1 })
        for (int x : { 0, Width / 2, Width - 1 })
            EXPECT_TRUE(near(lossy->pixelAt(x, y).premultipliedArgb(), source[y * Width + x], 16))
                << x << "," << y;

    std::vector<std::uint32_t> const half(64, HalfOrange);
    for (bool exact : { true, false }) {
        auto const image
            = Image::fromData(ImageSamples::webp(8, 8, half, { .lossless = exact, .quality = 95 }));
        ASSERT_TRUE(image) << exact;
        EXPECT_TRUE(image->hasAlpha()) << exact;
        EXPECT_EQ(image->pixelAt(4, 4).premultipliedArgb() >> 24, 0x80u) << exact;
        EXPECT_TRUE(near(image->pixelAt(4, 4).premultipliedArgb(), HalfOrangePremultiplied, exact ? 1 : 8))
            << exact;
    }
}

TEST(WebPDecoder, CutShortOrTooLargeGivesNothing)
{
    std::string const whole = ImageSamples::webp(Width, Height, gradientWords(), { .lossless = false });
    std::string const printed = standardErrorOf([&] {
        for (std::size_t cut : { std::size_t(12), std::size_t(30), whole.size() / 2, whole.size() - 1 })
            EXPECT_FALSE(Image::fromData(whole.substr(0, cut))) << cut;
    });
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(Image::fromData(bytesOf(whole), 1.0, Width * Height - 1));
    // The header alone tells the size, as a download has it early on.
    auto const early = ImageProbe::probe(bytesOf(whole).first(30));
    ASSERT_TRUE(early);
    EXPECT_EQ(early->format, ImageFormat::WebP);
    EXPECT_EQ(early->width, Width);
    EXPECT_EQ(early->height, Height);
}

TEST(ExifReader, WebPCarriesItsOrientationInAnExifChunk)
{
    std::vector<std::uint32_t> const white(16, ~0u);
    std::string const turned = ImageSamples::webp(4, 4, white, { .exifOrientation = 6 });
    EXPECT_EQ(ExifReader::orientation(bytesOf(turned)), 6);
    EXPECT_FALSE(ExifReader::orientation(bytesOf(ImageSamples::webp(4, 4, white))));
    // A chunk that claims more than the file holds ends the walk.
    std::string lying = turned;
    lying[16] = '\xff';
    lying[17] = '\xff';
    lying[18] = '\xff';
    EXPECT_FALSE(ExifReader::orientation(bytesOf(lying)));
}
