#include "platform/graphics/CairoDrawingContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/RecordingDrawingContext.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <numbers>

using namespace graphics;

namespace {

constexpr double pi = std::numbers::pi;

// A 100 x 100 point canvas at scale 2 on white, as the renderer paints.
class Canvas : public ::testing::Test {
protected:
    Canvas()
        : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200))
        , m_cairo(cairo_create(m_surface))
    {
        cairo_scale(m_cairo, 2, 2);
        cairo_set_source_rgb(m_cairo, 1, 1, 1);
        cairo_paint(m_cairo);
        m_context = std::make_unique<CairoDrawingContext>(m_cairo);
    }
    ~Canvas() override
    {
        m_context.reset();
        cairo_destroy(m_cairo);
        cairo_surface_destroy(m_surface);
    }

    // The colour at a point, read from the device pixel under it.
    Color at(double x, double y)
    {
        cairo_surface_flush(m_surface);
        auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(m_surface));
        int stride = cairo_image_surface_get_stride(m_surface) / 4;
        return Color::fromPremultipliedArgb(data[static_cast<int>(y * 2) * stride + static_cast<int>(x * 2)]);
    }
    bool isWhite(double x, double y) { return at(x, y) == Color::white(); }

    DrawingContext& context() { return *m_context; }

    cairo_surface_t* m_surface;
    cairo_t* m_cairo;
    std::unique_ptr<CairoDrawingContext> m_context;
};

} // namespace

TEST_F(Canvas, ArcsSweepLikeThePhoneToolkit)
{
    // clockwise = false runs with increasing angle: from 0 to pi through
    // pi / 2, which is straight down on a y-down canvas.
    context().setFillColor(Color::redColor());
    context().beginPath();
    context().moveTo({ 50, 50 });
    context().addArc({ 50, 50 }, 30, 0, pi, false);
    context().closePath();
    context().fillPath();
    EXPECT_EQ(at(50, 70), Color::redColor());
    EXPECT_TRUE(isWhite(50, 30));

    context().setFillColor(Color::blueColor());
    context().beginPath();
    context().moveTo({ 50, 50 });
    context().addArc({ 50, 50 }, 30, 0, pi, true);
    context().closePath();
    context().fillPath();
    EXPECT_EQ(at(50, 30), Color::blueColor());
    EXPECT_EQ(at(50, 70), Color::redColor());
}

TEST_F(Canvas, TangentArcsRoundTheCornerTheyTurn)
{
    // A bar's left end: down the left side, rounding both corners.
    context().setFillColor(Color::black());
    context().beginPath();
    context().moveTo({ 10, 50 });
    context().addArcToPoint({ 10, 10 }, { 90, 10 }, 20);
    context().lineTo({ 90, 10 });
    context().lineTo({ 90, 90 });
    context().addArcToPoint({ 10, 90 }, { 10, 50 }, 20);
    context().closePath();
    context().fillPath();
    EXPECT_TRUE(isWhite(11, 11)) << "corner cut off by the arc";
    EXPECT_TRUE(isWhite(11, 88));
    EXPECT_EQ(at(30, 30), Color::black());
    EXPECT_EQ(at(12, 50), Color::black());
    EXPECT_EQ(at(88, 12), Color::black()) << "the square corner stays";
}

TEST_F(Canvas, RoundedRectLeavesTheCornersAndStateRestores)
{
    context().saveGState();
    context().setFillColor(Color::fromRgb24(0x3aaa24));
    context().beginPath();
    context().addRoundedRect({ 10, 10, 80, 40 }, 10);
    context().fillPath();
    context().restoreGState();
    EXPECT_TRUE(isWhite(11, 11));
    EXPECT_EQ(at(15, 30), Color::fromRgb24(0x3aaa24));

    context().restoreGState(); // unbalanced: must not poison the context
    context().fillRect({ 0, 60, 10, 10 });
    EXPECT_EQ(at(5, 65), Color::black()) << "restored fill colour is the default";
}

TEST_F(Canvas, DegenerateInputDoesNotStopLaterDrawing)
{
    context().scale(0, 1);
    context().concat(AffineTransform::makeScale(0, 0));
    context().moveTo({ std::nan(""), 1 });
    context().addEllipseInRect({ 0, 0, 0, 10 });
    context().setLineWidth(-1);
    context().setFillColor(Color::redColor());
    context().fillRect({ 40, 40, 20, 20 });
    EXPECT_EQ(at(50, 50), Color::redColor());
    EXPECT_EQ(cairo_status(m_cairo), CAIRO_STATUS_SUCCESS);
}

TEST_F(Canvas, AlphaFadesFillsImagesAndGradients)
{
    context().setAlpha(0.5);
    context().fillRect({ 0, 0, 20, 20 });
    EXPECT_NEAR(at(10, 10).red(), 0.5, 0.01);

    auto pixel = Image::fromColor(Color::redColor());
    context().setAlpha(1);
    context().drawImage(*pixel, { 30, 0, 40, 20 });
    EXPECT_EQ(at(31, 1), Color::redColor()) << "a stretched pixel reaches its edges";
    EXPECT_EQ(at(69, 19), Color::redColor());
    EXPECT_TRUE(isWhite(71, 10));

    context().clipToRect({ 0, 50, 100, 50 });
    context().drawRadialGradient(
        { { 0, Color::black().withAlpha(0) }, { 1, Color::black().withAlpha(0.75) } }, { 50, 75 }, 0, 20);
    EXPECT_GT(at(50, 75).red(), 0.98) << "transparent at the centre";
    EXPECT_NEAR(at(2, 98).red(), 0.25, 0.01) << "beyond the end radius keeps the last stop";
    EXPECT_TRUE(isWhite(2, 48)) << "clipped";
}

TEST_F(Canvas, ImagesShowTurnedToTheirOrientation)
{
    // A 2 x 1 bitmap, red then blue, shown as 1 x 2 after a quarter turn.
    auto bitmap = Image::fromPixels(
        2, 1, { Color::redColor().premultipliedArgb(), Color::blueColor().premultipliedArgb() });
    context().drawImage(*bitmap->withScale(1, Image::Orientation::Right), { 0, 0, 20, 40 });
    EXPECT_EQ(at(10, 5), Color::redColor()) << "a right turn puts the left edge on top";
    EXPECT_EQ(at(10, 35), Color::blueColor());
    context().drawImage(*bitmap->withScale(1, Image::Orientation::Left), { 30, 0, 20, 40 });
    EXPECT_EQ(at(40, 5), Color::blueColor());
    context().drawImage(*bitmap->withScale(1, Image::Orientation::UpMirrored), { 60, 0, 40, 20 });
    EXPECT_EQ(at(65, 10), Color::blueColor());
}

TEST_F(Canvas, TextPaintsChineseGlyphsInItsColourRuns)
{
    TextStyle style;
    style.font = Font::systemFont(20);
    style.color = Color::black();
    // "应付12.00": the run covers the digits, counted in UTF-16 units.
    style.runs = { { 2, 5, Color::redColor() } };
    context().drawTextInRect("应付12.00", { 0, 0, 100, 40 }, style);
    int black = 0, red = 0;
    for (double x = 0; x < 100; x += 0.5) {
        for (double y = 0; y < 40; y += 0.5) {
            Color c = at(x, y);
            if (c.red() < 0.2 && c.green() < 0.2)
                ++black;
            if (c.red() > 0.8 && c.green() < 0.2)
                ++red;
        }
    }
    EXPECT_GT(black, 20) << "the Chinese glyphs were drawn";
    EXPECT_GT(red, 20) << "the run was drawn in red";

    context().drawText("收款", { 0, 60 }, Font::boldSystemFont(20), Color::blueColor());
    int blue = 0;
    for (double x = 0; x < 50; x += 0.5)
        blue += at(x, 70).blue() > 0.8 && at(x, 70).red() < 0.2;
    EXPECT_GT(blue, 4);
}

TEST(RecordingDrawingContext, RoundedRectIsFourIncreasingArcsFromTheTopEdge)
{
    RecordingDrawingContext recording;
    recording.addRoundedRect({ 10, 20, 100, 50 }, 8);
    recording.addRoundedRect({ 0, 0, 10, 4 }, 8); // radius limited to half the height
    std::vector<std::string> expected { "moveTo 18 20", "arc 102 28 8 4.71239 0", "arc 102 62 8 0 1.5708",
        "arc 18 62 8 1.5708 3.14159", "arc 18 28 8 3.14159 4.71239", "closePath", "moveTo 2 0",
        "arc 8 2 2 4.71239 0", "arc 8 2 2 0 1.5708", "arc 2 2 2 1.5708 3.14159", "arc 2 2 2 3.14159 4.71239",
        "closePath" };
    EXPECT_EQ(recording.operations(), expected);
}
