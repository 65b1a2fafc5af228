#include "hud/ProgressHUD.h"
#include "hud/ToastView.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/FakeTextMeasurer.h"
#include "platform/graphics/RecordingDrawingContext.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/Application.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/Touch.h"
#include "platform/kit/Window.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/UICheckBox.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class PromptsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        graphics::TextMeasurer::setShared(std::make_shared<graphics::FakeTextMeasurer>());
        kit::Application::launch(nullptr);
        window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 568));
        window->makeKeyAndVisible();
    }

    void TearDown() override
    {
        window.reset();
        kit::Application::terminate();
        foundation::RunLoop::main().reset();
        graphics::TextMeasurer::setShared(nullptr);
    }

    std::shared_ptr<kit::Window> window;
};

TEST_F(PromptsTest, progress_dialog_covers_the_window_but_lets_touches_through)
{
    auto button = kit::Button::buttonWithType(kit::ButtonType::Custom);
    button->setFrame({ 100, 250, 120, 60 });
    window->addSubview(button);
    int taps = 0;
    button->addAction([&](kit::Control&) { ++taps; }, kit::ControlEvent::TouchUpInside);

    auto hud = PromptUtil::showProgressDialog(std::string("请求支付中..."));
    EXPECT_EQ(hud->superview(), window);
    EXPECT_EQ(hud->frame(), window->bounds());
    EXPECT_EQ(hud->alpha(), 1);
    EXPECT_EQ(hud->label()->text(), "请求支付中...");

    window->touchDown({ 160, 280 });
    window->touchUp({ 160, 280 });
    EXPECT_EQ(taps, 1);

    PromptUtil::closeProgressDialog(hud);
    foundation::RunLoop::main().advance(0.30);
    EXPECT_EQ(hud->alpha(), 0);
    PromptUtil::closeProgressDialog(nullptr);
}

TEST_F(PromptsTest, progress_dialog_without_text_has_no_label)
{
    auto hud = PromptUtil::showProgressDialog(std::string());
    EXPECT_FALSE(hud->labelText());
    hud = PromptUtil::showProgressDialog(std::nullopt);
    EXPECT_FALSE(hud->labelText());
    hud->layoutSubviews();
    EXPECT_EQ(hud->size(), graphics::Size(77, 77));
}

TEST_F(PromptsTest, toast_shows_for_one_second_in_the_centre)
{
    std::vector<std::string> shown;
    auto subscription = ToastView::observeShown([&](const std::string& text) { shown.push_back(text); });
    PromptUtil::toast(std::string("连接失败，请检查您的网络连接！"));
    auto box = window->viewWithTag(ToastView::toastTag);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->center().x, 160);
    EXPECT_NEAR(box->center().y, 284, 0.5);
    EXPECT_EQ(shown, std::vector<std::string> { "连接失败，请检查您的网络连接！" });
    foundation::RunLoop::main().advance(1.0);
    EXPECT_FALSE(window->viewWithTag(ToastView::toastTag));

    PromptUtil::toast(std::nullopt);
    EXPECT_FALSE(window->viewWithTag(ToastView::toastTag));
}

TEST(ColorUtilTest, hex_pairs_become_red_green_and_blue)
{
    EXPECT_EQ(ColorUtil::getUIColorByHex("3AAA24"), graphics::Color(58 / 255.0, 170 / 255.0, 36 / 255.0, 1));
    EXPECT_EQ(ColorUtil::getUIColorByHex("dedede"), graphics::Color::fromRgb24(0xDEDEDE));
}

TEST(ColorUtilTest, malformed_text_reads_as_zero_instead_of_failing)
{
    EXPECT_EQ(ColorUtil::getUIColorByHex(""), graphics::Color::black());
    EXPECT_EQ(ColorUtil::getUIColorByHex("#3AAA24"), graphics::Color(0, 0xAA / 255.0, 0xA2 / 255.0, 1));
    EXPECT_EQ(ColorUtil::getUIColorByHex("zz-1FF"), graphics::Color(0, 0, 1, 1));
    EXPECT_EQ(ColorUtil::getUIColorByHex("FF"), graphics::Color(1, 0, 0, 1));
}

TEST(ColorUtilTest, one_point_image_carries_the_colour)
{
    auto image = ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("E4E5E4"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), graphics::Size(1, 1));
    EXPECT_EQ(image->pixelAt(0, 0).green(), 0xE5 / 255.0);
}

class Recorder : public UICheckBoxDelegate {
public:
    void onChangeIsChecked(UICheckBox& box, bool isChecked) override
    {
        changes.push_back(isChecked);
        EXPECT_EQ(box.checked(), isChecked);
    }
    std::vector<bool> changes;
};

TEST_F(PromptsTest, check_box_tells_its_delegate_of_touches_but_not_of_set_checked)
{
    auto box = std::make_shared<UICheckBox>("记住用户名", graphics::Rect(20, 100, 200, 36));
    window->addSubview(box);
    auto delegate = std::make_shared<Recorder>();
    box->setDelegate(delegate);

    box->setChecked(true);
    EXPECT_TRUE(delegate->changes.empty());

    window->touchDown({ 30, 110 });
    window->touchUp({ 30, 110 });
    window->touchDown({ 30, 110 });
    window->touchUp({ 30, 110 });
    EXPECT_EQ(delegate->changes, (std::vector<bool> { false, true }));

    delegate.reset();
    window->touchDown({ 30, 110 });
    window->touchUp({ 30, 110 });
    EXPECT_FALSE(box->checked());
}

TEST_F(PromptsTest, check_box_draws_the_image_of_its_state_beside_its_caption)
{
    UICheckBox box("记住用户名", { 0, 0, 200, 36 });
    ASSERT_TRUE(box.imgOn());
    ASSERT_TRUE(box.imgOff());
    EXPECT_NE(box.imgOn(), box.imgOff());
    graphics::RecordingDrawingContext context;
    box.setChecked(true);
    box.drawRect(context, box.bounds());
    EXPECT_EQ(context.operations(),
        (std::vector<std::string> {
            "image 32x32 at 0 8 16 16", "text 记住用户名 at 22 7 size 16 color 1 1 1 1" }));

    box.setImgOff(nullptr);
    box.setChecked(false);
    context.clear();
    box.drawRect(context, box.bounds());
    EXPECT_EQ(context.operations().size(), 1u);
}

} // namespace
