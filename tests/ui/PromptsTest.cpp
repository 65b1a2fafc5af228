#include "hud/HudTestFixture.h"
#include "hud/ProgressHUD.h"
#include "hud/ToastView.h"
#include "platform/graphics/RecordingDrawingContext.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/UICheckBox.h"

#include <string>
#include <vector>

namespace {

using PromptsTest = HudTestFixture;

TEST_F(PromptsTest, progress_dialog_covers_the_window_but_lets_touches_through)
{
    auto button = kit::Button::buttonWithType(kit::ButtonType::Custom);
    button->setFrame({ 100, 210, 120, 60 });
    window->addSubview(button);
    int taps = 0;
    button->addAction([&](kit::Control&) { ++taps; }, kit::ControlEvent::TouchUpInside);

    auto hud = PromptUtil::showProgressDialog(std::string("请求支付中..."));
    EXPECT_EQ(hud->superview(), window);
    EXPECT_EQ(hud->frame(), window->bounds());
    EXPECT_EQ(hud->alpha(), 1);
    EXPECT_EQ(hud->label()->text(), "请求支付中...");
    window->touchDown({ 160, 240 });
    window->touchUp({ 160, 240 });
    EXPECT_EQ(taps, 1);

    PromptUtil::closeProgressDialog(hud);
    advance(0.30);
    EXPECT_EQ(hud->alpha(), 0);
    // A closed overlay leaves the window, or each request would leave one behind.
    EXPECT_EQ(hud->superview(), nullptr);
    PromptUtil::closeProgressDialog(nullptr);

    // Without a text there is no label, and the box is the spinner's.
    hud = PromptUtil::showProgressDialog(std::string());
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
    EXPECT_NEAR(box->center().y, 240, 0.5);
    EXPECT_EQ(shown, std::vector<std::string> { "连接失败，请检查您的网络连接！" });
    advance(1.0);
    EXPECT_FALSE(window->viewWithTag(ToastView::toastTag));
}

TEST(ColorUtilTest, hex_pairs_become_colours_and_malformed_pairs_read_as_zero)
{
    EXPECT_EQ(ColorUtil::getUIColorByHex("3AAA24"), graphics::Color(58 / 255.0, 170 / 255.0, 36 / 255.0, 1));
    EXPECT_EQ(ColorUtil::getUIColorByHex("dedede"), graphics::Color::fromRgb24(0xDEDEDE));
    EXPECT_EQ(ColorUtil::getUIColorByHex(""), graphics::Color::black());
    EXPECT_EQ(ColorUtil::getUIColorByHex("#3AAA24"), graphics::Color(0, 0xAA / 255.0, 0xA2 / 255.0, 1));
    EXPECT_EQ(ColorUtil::getUIColorByHex("zz-1FF"), graphics::Color(0, 0, 1, 1));
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

    for (int i = 0; i < 2; ++i) {
        window->touchDown({ 30, 110 });
        window->touchUp({ 30, 110 });
    }
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
    EXPECT_NE(box.imgOn(), box.imgOff());
    graphics::RecordingDrawingContext context;
    box.setChecked(true);
    box.drawRect(context, box.bounds());
    EXPECT_EQ(context.operations(),
        (std::vector<std::string> {
            "image 32x32 at 0 8 16 16", "text 记住用户名 at 22 7 size 16 color 1 1 1 1" }));

    // Missing artwork leaves the caption.
    box.setImgOff(nullptr);
    box.setChecked(false);
    context.clear();
    box.drawRect(context, box.bounds());
    EXPECT_EQ(context.operations().size(), 1u);
}

// Screens end editing from their own touch handlers, so touches that land on
// a list must still reach the views above it.
class TouchLog : public kit::View {
public:
    using View::View;
    void touchesBegan(const kit::Touch&) override { phases.push_back("began"); }
    void touchesMoved(const kit::Touch&) override { phases.push_back("moved"); }
    void touchesEnded(const kit::Touch&) override { phases.push_back("ended"); }
    std::vector<std::string> phases;
};

// Three rows whose selection is written to the same log as the touches.
class LoggedRows : public kit::TableViewDataSource, public kit::TableViewDelegate {
public:
    explicit LoggedRows(std::vector<std::string>& log)
        : m_log(log)
    {
    }
    int tableViewNumberOfRowsInSection(kit::TableView&, int) override { return 3; }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView&, kit::IndexPath) override
    {
        return std::make_shared<kit::TableViewCell>(kit::TableViewCellStyle::Default, "row");
    }
    void tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath path) override
    {
        m_log.push_back("select " + std::to_string(path.row));
    }

private:
    std::vector<std::string>& m_log;
};

TEST_F(PromptsTest, touches_on_a_list_reach_the_view_that_holds_it)
{
    auto root = std::make_shared<TouchLog>(window->bounds());
    window->addSubview(root);
    auto table = std::make_shared<kit::TableView>(graphics::Rect(0, 100, 320, 300));
    root->addSubview(table);
    runUntilIdle();
    window->touchDown({ 160, 200 });
    window->touchMove({ 160, 210 });
    window->touchUp({ 160, 210 });
    EXPECT_EQ(root->phases, (std::vector<std::string> { "began", "moved", "ended" }));

    // A tap on a row too, once, and before the row's delegate may leave the screen.
    auto rows = std::make_shared<LoggedRows>(root->phases);
    table->setDataSource(rows);
    table->setDelegate(rows);
    table->reloadData();
    runUntilIdle();
    root->phases.clear();
    window->touchDown({ 160, 160 });
    window->touchUp({ 160, 160 });
    EXPECT_EQ(root->phases, (std::vector<std::string> { "began", "ended", "select 1" }));
}

} // namespace
