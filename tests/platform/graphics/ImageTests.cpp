#include "platform/graphics/Image.h"

#include <cairo.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <string>
#include <unistd.h>

using namespace graphics;

namespace {

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// A w x h PNG: opaque red on the left half, half-transparent blue on the right.
std::string pngBytes(int w, int h)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 1, 0, 0, 1);
    cairo_rectangle(cr, 0, 0, w / 2.0, h);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 0, 0, 1, 0.5);
    cairo_rectangle(cr, w / 2.0, 0, w / 2.0, h);
    cairo_fill(cr);
    cairo_destroy(cr);
    std::string bytes;
    cairo_surface_write_to_png_stream(surface, appendTo, &bytes);
    cairo_surface_destroy(surface);
    return bytes;
}

std::string jpegBytes(int w, int h)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = w;
    info.image_height = h;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::string row;
    for (int x = 0; x < w; ++x)
        row += std::string { '\x00', '\xc0', '\x00' };
    while (info.next_scanline < info.image_height) {
        JSAMPROW p = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return bytes;
}

class TemporaryAssets {
public:
    TemporaryAssets()
        : m_dir(std::filesystem::temp_directory_path() / ("gfx-assets-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(m_dir);
        m_previous = Image::assetDirectory();
        Image::setAssetDirectory(m_dir);
    }
    ~TemporaryAssets()
    {
        Image::setAssetDirectory(m_previous);
        std::filesystem::remove_all(m_dir);
    }
    void write(const std::string& file, const std::string& bytes)
    {
        std::ofstream(m_dir / file, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_previous;
};

} // namespace

TEST(Image, PngKeepsItsColoursPremultipliedAndItsAlpha)
{
    auto image = Image::fromData(pngBytes(8, 4));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 8);
    EXPECT_EQ(image->pixelHeight(), 4);
    EXPECT_TRUE(image->hasAlpha());
    EXPECT_EQ(image->pixelAt(0, 0), Color::redColor());
    Color right = image->pixelAt(7, 3);
    EXPECT_NEAR(right.blue(), 1.0, 0.01);
    EXPECT_NEAR(right.alpha(), 0.5, 0.01);
    EXPECT_EQ(image->pixels()[7] >> 24, 0x80u);
    EXPECT_EQ(image->pixels()[7] & 0xff, 0x80u) << "stored premultiplied, as cairo paints it";
}

TEST(Image, JpegDecodesOpaque)
{
    auto image = Image::fromData(jpegBytes(16, 9), 2.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), Size(8, 4.5));
    EXPECT_FALSE(image->hasAlpha());
    Color c = image->pixelAt(5, 5);
    EXPECT_NEAR(c.green(), 0xc0 / 255.0, 0.03);
    EXPECT_NEAR(c.red(), 0, 0.03);
    EXPECT_EQ(c.alpha(), 1.0);
}

TEST(Image, BadOrTruncatedDataGivesNoImage)
{
    EXPECT_FALSE(Image::fromData(std::string_view()));
    EXPECT_FALSE(Image::fromData(std::string_view("GIF89a not supported")));
    std::string png = pngBytes(32, 32);
    std::string jpeg = jpegBytes(32, 32);
    for (std::size_t cut : { 8u, 20u, 40u }) {
        EXPECT_FALSE(Image::fromData(std::string_view(png).substr(0, cut))) << cut;
        EXPECT_FALSE(Image::fromData(std::string_view(jpeg).substr(0, cut))) << cut;
    }
    std::string corrupt = png;
    corrupt[20] ^= 0x55; // the header's checksum no longer matches
    EXPECT_FALSE(Image::fromData(corrupt));
    EXPECT_FALSE(Image::fromPixels(2, 2, { 0, 0, 0 }));
    EXPECT_FALSE(Image::fromPixels(-1, 2, {}));
}

TEST(Image, DamagedBytesFromTheNetworkNeverCrashTheDecoders)
{
    // Deterministic damage: flipped bytes and cut tails over both formats.
    // Under the sanitizers any read past a buffer fails the run.
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (const std::string& original : { pngBytes(24, 16), jpegBytes(24, 16) }) {
        for (int round = 0; round < 150; ++round) {
            std::string damaged = original;
            for (int flips = 1 + round % 4; flips > 0; --flips)
                damaged[2 + next() % (damaged.size() - 2)] ^= static_cast<char>(1 + next() % 255);
            if (round % 3 == 0)
                damaged.resize(2 + next() % (damaged.size() - 2));
            auto image = Image::fromData(damaged);
            if (image) {
                EXPECT_GT(image->pixelWidth(), 0);
                EXPECT_GT(image->pixelHeight(), 0);
            }
        }
    }
}

TEST(Image, NamedLooksForThePlainFileThenTheDoubleScaleOne)
{
    TemporaryAssets assets;
    assets.write("Plain.png", pngBytes(10, 10));
    assets.write("Retina@2x.png", pngBytes(40, 20));
    auto plain = Image::named("Plain");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size(), Size(10, 10));
    auto retina = Image::named("Retina");
    ASSERT_TRUE(retina);
    EXPECT_EQ(retina->scale(), 2.0);
    EXPECT_EQ(retina->size(), Size(20, 10));
    EXPECT_EQ(Image::named("Retina"), retina) << "named images are kept";
    EXPECT_FALSE(Image::named("Missing"));
    EXPECT_FALSE(Image::named("../Plain"));
    EXPECT_FALSE(Image::named(""));
}

TEST(Image, OnePixelColourAndDerivedVariants)
{
    auto pixel = Image::fromColor(Color::fromRgb24(0x3aaa24));
    ASSERT_TRUE(pixel);
    EXPECT_EQ(pixel->size(), Size(1, 1));
    EXPECT_FALSE(pixel->hasAlpha());
    EXPECT_EQ(pixel->pixelAt(0, 0), Color::fromRgb24(0x3aaa24));
    EXPECT_TRUE(Image::fromColor(Color::black().withAlpha(0.5))->hasAlpha());
    EXPECT_FALSE(Image::fromColor(Color::black(), Size(1e20, 2))) << "a huge size is refused, not wrapped";
    EXPECT_FALSE(Image::fromColor(Color::black(), Size(10000, 10000)));

    auto wide = Image::fromData(pngBytes(40, 20));
    auto turned = wide->withScale(2, Image::Orientation::Left);
    EXPECT_EQ(turned->size(), Size(10, 20)) << "a quarter turn swaps width and height";
    EXPECT_EQ(turned->pixels(), wide->pixels()) << "variants share the bitmap";
    EXPECT_EQ(wide->withScale(0, Image::Orientation::Up)->scale(), 1.0);

    auto animated = Image::animated({ wide, nullptr, pixel }, 1.5);
    ASSERT_TRUE(animated);
    EXPECT_EQ(animated->images().size(), 2u);
    EXPECT_EQ(animated->size(), wide->size());
    EXPECT_FALSE(Image::animated({}, 1));
}
