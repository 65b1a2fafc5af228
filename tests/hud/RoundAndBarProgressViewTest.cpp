#include "hud/BarProgressView.h"
#include "hud/RoundProgressView.h"
#include "platform/graphics/RecordingDrawingContext.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

std::vector<std::string> drawn(kit::View& view)
{
    graphics::RecordingDrawingContext context;
    view.drawRect(context, view.bounds());
    return context.operations();
}

long count(const std::vector<std::string>& ops, const std::string& op)
{
    return std::count(ops.begin(), ops.end(), op);
}

TEST(RoundProgressViewTest, empty_pie_fills_only_its_background_disc)
{
    RoundProgressView view;
    auto ops = drawn(view);
    EXPECT_EQ(ops.at(0), "strokeColor 1 1 1 1");
    EXPECT_EQ(ops.at(1), "fillColor 1 1 1 0.1");
    EXPECT_NE(std::find(ops.begin(), ops.end(), "ellipse 2 2 33 33"), ops.end());
    // The progress wedge has no sweep.
    EXPECT_NE(std::find(ops.begin(), ops.end(), "arc 18.5 18.5 16.5 -1.5708 -1.5708"), ops.end());

    view.setProgress(0.5f);
    ops = drawn(view);
    EXPECT_NE(std::find(ops.begin(), ops.end(), "arc 18.5 18.5 16.5 -1.5708 1.5708"), ops.end());
}

TEST(RoundProgressViewTest, ring_strokes_a_full_background_circle_then_the_progress_arc)
{
    RoundProgressView view;
    view.setAnnular(true);
    view.setProgress(7.0f); // out of range: at most one turn
    auto ops = drawn(view);
    EXPECT_EQ(count(ops, "stroke"), 2);
    EXPECT_NE(std::find(ops.begin(), ops.end(), "arc 18.5 18.5 17.5 -1.5708 4.71239"), ops.end());
    EXPECT_EQ(count(ops, "arc 18.5 18.5 17.5 -1.5708 4.71239"), 2);
    EXPECT_EQ(count(ops, "lineCap square"), 1);
}

TEST(BarProgressViewTest, fill_shape_depends_on_how_far_the_progress_reaches)
{
    BarProgressView bar;
    EXPECT_EQ(count(drawn(bar), "fill"), 1); // the frame only

    bar.setProgress(0.05f); // a = 6: the left cap alone
    auto ops = drawn(bar);
    EXPECT_EQ(count(ops, "fill"), 2);
    EXPECT_EQ(count(ops, "lineTo 10 10"), 2);

    bar.setProgress(0.5f); // a = 60: the middle
    ops = drawn(bar);
    EXPECT_EQ(count(ops, "lineTo 60 4"), 1);
    EXPECT_EQ(count(ops, "lineTo 60 16"), 1);

    // a = 120, x = 10 is outside -1..1 of q = 6, so the end cap angle is 0.
    bar.setProgress(1.0f);
    ops = drawn(bar);
    EXPECT_EQ(count(ops, "arc 110 10 6 3.14159 -0"), 1);
    EXPECT_EQ(count(ops, "arc 110 10 6 -3.14159 0 clockwise"), 1);

    bar.setProgress(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(count(drawn(bar), "fill"), 1);
}

} // namespace
