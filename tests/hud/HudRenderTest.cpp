#include "hud/ProgressHUD.h"
#include "hud/RoundProgressView.h"
#include "hud/ToastView.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/Application.h"
#include "platform/kit/Label.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/Window.h"
#include "ui/UICheckBox.h"

#include <filesystem>
#include <gtest/gtest.h>

// Paints real screens through the kit's renderer, with pango text, and
// leaves the PNGs in the test's working folder for a person to look at.
namespace {

const graphics::Color green = graphics::Color::fromRgb24(0x3aaa24);

class HudRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        kit::Application::launch(nullptr);
        window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 568));
        window->setBackgroundColor(graphics::Color::white());
        window->makeKeyAndVisible();
    }

    void TearDown() override
    {
        window.reset();
        kit::Application::terminate();
        foundation::RunLoop::main().reset();
    }

    // Lays out, paints at scale 2 and writes `name`.
    std::shared_ptr<const graphics::Image> render(const std::string& name)
    {
        foundation::RunLoop::main().runUntilIdle();
        kit::Renderer renderer;
        EXPECT_TRUE(renderer.renderPngFile(*window, std::filesystem::current_path() / name));
        return renderer.renderImage(*window);
    }

    static bool isWhite(const graphics::Color& c)
    {
        return c.red() > 0.95 && c.green() > 0.95 && c.blue() > 0.95;
    }
    static bool isDark(const graphics::Color& c)
    {
        return c.red() < 0.3 && c.green() < 0.3 && c.blue() < 0.3;
    }

    std::shared_ptr<kit::Window> window;
};

TEST_F(HudRenderTest, overlay_with_a_label_paints_its_box_spinner_and_text_over_the_screen)
{
    auto header = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 120));
    header->setBackgroundColor(green);
    window->addSubview(header);
    auto remember = std::make_shared<UICheckBox>("记住用户名", graphics::Rect(20, 40, 140, 32));
    remember->setChecked(true);
    header->addSubview(remember);
    header->addSubview(std::make_shared<UICheckBox>("自动登录", graphics::Rect(170, 40, 140, 32)));

    auto hud = ProgressHUD::initWithView(window);
    window->addSubview(hud);
    hud->setUserInteractionEnabled(false);
    hud->show(true);
    hud->setLabelText("请求支付中...");

    auto image = render("hud-overlay-label.png");
    ASSERT_TRUE(image);
    graphics::Size box = hud->size();
    EXPECT_GT(box.width, 77);
    // Inside the box, beside the spinner: 0.8 black over white.
    graphics::Color inside = image->pixelAt(2 * static_cast<int>(160 - box.width / 2 + 6), 2 * 284);
    EXPECT_TRUE(isDark(inside));
    // Outside it the screen shows unchanged.
    EXPECT_TRUE(isWhite(image->pixelAt(2 * 10, 2 * 400)));
    // The spinner's spokes are light on the dark box.
    int spokes = 0;
    for (int y = 2 * 250; y < 2 * 290; ++y) {
        if (image->pixelAt(2 * 160, y).red() > 0.6)
            ++spokes;
    }
    EXPECT_GT(spokes, 0);
}

TEST_F(HudRenderTest, indicators_and_the_dimmed_background_show_in_the_picture)
{
    auto pieHost = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 189));
    auto ringHost = std::make_shared<kit::View>(graphics::Rect(0, 189, 320, 189));
    auto barHost = std::make_shared<kit::View>(graphics::Rect(0, 378, 320, 190));
    for (const auto& host : { pieHost, ringHost, barHost })
        window->addSubview(host);

    auto pie = ProgressHUD::showHUDAddedTo(pieHost, false);
    pie->setMode(ProgressHUDMode::Determinate);
    pie->setProgress(0.6f);
    pie->setLabelText("上传中");
    auto ring = ProgressHUD::showHUDAddedTo(ringHost, false);
    ring->setMode(ProgressHUDMode::AnnularDeterminate);
    ring->setProgress(0.3f);
    ring->setDetailsLabelText("剩余 70%");
    auto bar = ProgressHUD::showHUDAddedTo(barHost, false);
    bar->setMode(ProgressHUDMode::DeterminateHorizontalBar);
    bar->setProgress(0.5f);
    bar->setDimBackground(true);

    auto image = render("hud-indicators.png");
    ASSERT_TRUE(image);
    // The dimmed corner of the bar's host is darker than the others'.
    graphics::Color dimmed = image->pixelAt(2 * 2, 2 * 566);
    EXPECT_LT(dimmed.red(), 0.6);
    EXPECT_TRUE(isWhite(image->pixelAt(2 * 2, 2 * 2)));
    // The pie's filled wedge (right half at 60%) is white, its empty part
    // only faintly lit.
    graphics::Rect pieFrame = pie->indicator()->convertRectToView(pie->indicator()->bounds(), nullptr);
    graphics::Point c = pieFrame.center();
    EXPECT_TRUE(isWhite(image->pixelAt(2 * static_cast<int>(c.x + 8), 2 * static_cast<int>(c.y))));
    EXPECT_TRUE(isDark(image->pixelAt(2 * static_cast<int>(c.x - 8), 2 * static_cast<int>(c.y - 8))));
    // The bar is half filled: white on its left, dark on its right.
    graphics::Rect barFrame = bar->indicator()->convertRectToView(bar->indicator()->bounds(), nullptr);
    int y = 2 * static_cast<int>(barFrame.midY());
    EXPECT_TRUE(isWhite(image->pixelAt(2 * static_cast<int>(barFrame.minX() + 20), y)));
    EXPECT_TRUE(isDark(image->pixelAt(2 * static_cast<int>(barFrame.maxX() - 20), y)));
}

TEST_F(HudRenderTest, toast_paints_white_text_in_a_dark_box)
{
    ToastView::makeText("连接失败，请检查您的网络连接！")->show();
    auto image = render("hud-toast.png");
    ASSERT_TRUE(image);
    auto box = window->viewWithTag(ToastView::toastTag);
    ASSERT_TRUE(box);
    graphics::Rect frame = box->frame();
    EXPECT_TRUE(
        isDark(image->pixelAt(2 * static_cast<int>(frame.minX() + 3), 2 * static_cast<int>(frame.midY()))));
    int light = 0;
    for (int x = 2 * static_cast<int>(frame.minX()); x < 2 * static_cast<int>(frame.maxX()); ++x) {
        if (image->pixelAt(x, 2 * static_cast<int>(frame.midY())).red() > 0.8)
            ++light;
    }
    EXPECT_GT(light, 10);
}

} // namespace
