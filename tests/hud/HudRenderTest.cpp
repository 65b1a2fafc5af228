#include "HudTestFixture.h"
#include "hud/ProgressHUD.h"
#include "hud/ToastView.h"
#include "platform/kit/Renderer.h"
#include "ui/UICheckBox.h"

#include <filesystem>

// Paints real screens through the kit's renderer with pango text, and leaves
// the PNGs in the test's working folder for a person to look at.
namespace {

class HudRenderTest : public HudTestFixture {
protected:
    void SetUp() override
    {
        HudTestFixture::SetUp();
        graphics::TextMeasurer::setShared(nullptr);
        window->setBackgroundColor(graphics::Color::white());
    }

    // Lays out, writes `name` and gives the pixels at scale 2.
    std::shared_ptr<const graphics::Image> render(const std::string& name)
    {
        runUntilIdle();
        kit::Renderer renderer;
        EXPECT_TRUE(renderer.renderPngFile(*window, std::filesystem::current_path() / name));
        return renderer.renderImage(*window);
    }

    static graphics::Color at(const graphics::Image& image, double x, double y)
    {
        return image.pixelAt(static_cast<int>(2 * x), static_cast<int>(2 * y));
    }
    static bool isWhite(const graphics::Color& c)
    {
        return c.red() > 0.95 && c.green() > 0.95 && c.blue() > 0.95;
    }
    static bool isDark(const graphics::Color& c)
    {
        return c.red() < 0.3 && c.green() < 0.3 && c.blue() < 0.3;
    }
};

TEST_F(HudRenderTest, overlay_with_a_label_paints_its_box_spinner_and_text_over_the_screen)
{
    auto header = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 120));
    header->setBackgroundColor(graphics::Color::fromRgb24(0x3aaa24));
    window->addSubview(header);
    auto remember = std::make_shared<UICheckBox>("记住用户名", graphics::Rect(20, 40, 140, 32));
    remember->setChecked(true);
    header->addSubview(remember);
    header->addSubview(std::make_shared<UICheckBox>("自动登录", graphics::Rect(170, 40, 140, 32)));
    auto hud = ProgressHUD::showHUDAddedTo(window, true);
    hud->setLabelText("请求支付中...");

    auto image = render("hud-overlay-label.png");
    ASSERT_TRUE(image);
    double left = 160 - hud->size().width / 2;
    EXPECT_TRUE(isDark(at(*image, left + 6, 240)));
    EXPECT_TRUE(isWhite(at(*image, left - 6, 240)));
    int spokes = 0;
    for (double y = 200; y < 240; y += 0.5)
        spokes += at(*image, 160, y).red() > 0.6;
    EXPECT_GT(spokes, 0);
}

TEST_F(HudRenderTest, indicators_and_the_dimmed_background_show_in_the_picture)
{
    std::vector<std::shared_ptr<ProgressHUD>> huds;
    for (int i = 0; i < 3; ++i) {
        auto host = std::make_shared<kit::View>(graphics::Rect(0, 160 * i, 320, 160));
        window->addSubview(host);
        huds.push_back(ProgressHUD::showHUDAddedTo(host, false));
    }
    huds[0]->setMode(ProgressHUDMode::Determinate);
    huds[0]->setProgress(0.6f);
    huds[0]->setLabelText("上传中");
    huds[1]->setMode(ProgressHUDMode::AnnularDeterminate);
    huds[1]->setProgress(0.3f);
    huds[1]->setDetailsLabelText("剩余 70%");
    huds[2]->setMode(ProgressHUDMode::DeterminateHorizontalBar);
    huds[2]->setProgress(0.5f);
    huds[2]->setDimBackground(true);
    ToastView::makeText("已发送")->setGravity(ToastGravityTop).show();

    auto image = render("hud-indicators.png");
    ASSERT_TRUE(image);
    // Only the bar's host is dimmed, darkest in its corners.
    EXPECT_LT(at(*image, 1, 479).red(), 0.6);
    EXPECT_TRUE(isWhite(at(*image, 1, 319)));
    // The pie is filled clockwise from the top: its right half is lit.
    graphics::Point c
        = huds[0]->indicator()->convertRectToView(huds[0]->indicator()->bounds(), nullptr).center();
    EXPECT_TRUE(isWhite(at(*image, c.x + 8, c.y)));
    EXPECT_TRUE(isDark(at(*image, c.x - 8, c.y - 8)));
    graphics::Rect bar = huds[2]->indicator()->convertRectToView(huds[2]->indicator()->bounds(), nullptr);
    EXPECT_TRUE(isWhite(at(*image, bar.minX() + 20, bar.midY())));
    EXPECT_TRUE(isDark(at(*image, bar.maxX() - 20, bar.midY())));
    graphics::Rect toast = window->viewWithTag(ToastView::toastTag)->frame();
    EXPECT_TRUE(isDark(at(*image, toast.minX() + 3, toast.midY())));
}

} // namespace
