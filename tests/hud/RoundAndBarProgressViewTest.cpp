#include "hud/BarProgressView.h"
#include "hud/RoundProgressView.h"
#include "platform/kit/Renderer.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

// Brightness of the view painted white on black at scale 2, at a point in its own
// coordinates: what a person sees, whatever calls drew it.
class Picture {
public:
    explicit Picture(kit::View& view)
        : m_image(kit::Renderer(2.0).renderImage(view))
    {
    }
    double at(double x, double y) const
    {
        auto const pixel = m_image->pixelAt(static_cast<int>(2 * x), static_cast<int>(2 * y));
        return (pixel.red() + pixel.green() + pixel.blue()) / 3;
    }

private:
    std::shared_ptr<const graphics::Image> m_image;
};

TEST(ProgressPictureTest, pie_and_ring_fill_clockwise_from_twelve_o_clock_and_at_most_once_round)
{
    double const c = 18.5;
    for (bool annular : { false, true }) {
        RoundProgressView view;
        view.setAnnular(annular);
        // Points on the ring's line (or inside the pie) an eighth of a turn either side of
        // the top, and at the lower right.
        double const d = (annular ? 17.5 : 10) * 0.7071;
        EXPECT_LT(Picture(view).at(c + d, c - d), 0.3) << "empty, annular " << annular;

        view.setProgress(0.25f);
        Picture quarter(view);
        EXPECT_GT(quarter.at(c + d, c - d), 0.8) << "upper right, annular " << annular;
        EXPECT_LT(quarter.at(c - d, c - d), 0.3) << "upper left, annular " << annular;
        EXPECT_LT(quarter.at(c + d, c + d), 0.3) << "lower right, annular " << annular;

        view.setProgress(7.0f);
        Picture whole(view);
        for (auto [x, y] : { std::pair { c + d, c - d }, { c - d, c - d }, { c - d, c + d }, { c + d, c + d } })
            EXPECT_GT(whole.at(x, y), 0.8) << x << "," << y << " annular " << annular;
    }
}

TEST(ProgressPictureTest, bar_fills_from_the_left_with_round_caps)
{
    BarProgressView bar;
    EXPECT_LT(Picture(bar).at(60, 10), 0.3);

    bar.setProgress(1.0f);
    Picture full(bar);
    EXPECT_GT(full.at(60, 10), 0.8);
    EXPECT_GT(full.at(4.5, 10), 0.8);
    // The caps are round: the corners of the inner bar stay dark.
    EXPECT_LT(full.at(5.0, 5.0), 0.5);
    EXPECT_LT(full.at(114.5, 5.0), 0.5);

    bar.setProgress(0.5f);
    Picture half(bar);
    EXPECT_GT(half.at(30, 10), 0.8);
    EXPECT_LT(half.at(90, 10), 0.3);

    bar.setProgress(std::numeric_limits<float>::quiet_NaN());
    EXPECT_LT(Picture(bar).at(30, 10), 0.3);
}

} // namespace
