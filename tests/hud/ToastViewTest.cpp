#include "hud/ToastView.h"

#include "HudTestFixture.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"

#include <numbers>
#include <string>
#include <vector>

namespace {

class ToastViewTest : public HudTestFixture {
protected:
    void TearDown() override
    {
        // The shared settings outlive every test; put back what a test changed.
        ToastSettings& shared = ToastSettings::getSharedSettings();
        shared.setGravity(ToastGravityCenter);
        shared.setDuration(1000);
        HudTestFixture::TearDown();
    }

    std::vector<std::shared_ptr<kit::View>> toastsOnWindow() const
    {
        std::vector<std::shared_ptr<kit::View>> found;
        for (const auto& view : window->subviews()) {
            if (view->tag() == ToastView::toastTag)
                found.push_back(view);
        }
        return found;
    }

    static std::shared_ptr<const graphics::Image> image(double width, double height)
    {
        return graphics::Image::fromColor(graphics::Color::white(), { width, height });
    }
};

TEST_F(ToastViewTest, text_box_is_centred_on_whole_points_and_goes_after_its_duration)
{
    std::vector<std::string> shown;
    auto subscription = ToastView::observeShown([&](const std::string& text) { shown.push_back(text); });
    auto toast = ToastView::makeText("abc"); // 24 x 19.2 at 16 points
    toast->show();
    ASSERT_EQ(toastsOnWindow().size(), 1u);
    const auto& box = toast->toastView();
    // (44 x 29.2) centred at (160, 240), then made integral.
    EXPECT_EQ(box->frame(), graphics::Rect(138, 225, 44, 30));
    EXPECT_EQ(box->alpha(), 1);
    auto label = std::dynamic_pointer_cast<kit::Label>(box->subviews().at(0));
    ASSERT_TRUE(label);
    // Centre (27, 15) for a 29 x 24.2 label, origin rounded up.
    EXPECT_EQ(label->frame(), graphics::Rect(13, 3, 29, 24.2));
    EXPECT_EQ(shown, std::vector<std::string> { "abc" });

    std::weak_ptr<ToastView> weak = toast;
    toast.reset();
    advance(0.99);
    EXPECT_EQ(toastsOnWindow().size(), 1u);
    advance(0.01);
    EXPECT_TRUE(toastsOnWindow().empty());
    EXPECT_TRUE(weak.expired());
}

TEST_F(ToastViewTest, toasts_shown_together_stack_so_each_is_read_for_its_own_time)
{
    auto first = ToastView::makeText("key不可为空！");
    first->show();
    advance(0.5);
    auto second = ToastView::makeText("加密key不可为空！");
    second->show();
    ASSERT_EQ(toastsOnWindow().size(), 2u);
    EXPECT_GE(second->toastView()->frame().minY(), first->toastView()->frame().maxY());
    EXPECT_EQ(second->toastView()->frame().midX(), 160);
    advance(0.5);
    EXPECT_EQ(toastsOnWindow(), std::vector<std::shared_ptr<kit::View>> { second->toastView() });
    advance(0.5);
    EXPECT_TRUE(toastsOnWindow().empty());

    // The same text again takes the place of the one still up.
    auto again = ToastView::makeText("设置成功！");
    again->show();
    auto repeat = ToastView::makeText("设置成功！");
    repeat->show();
    EXPECT_EQ(toastsOnWindow(), std::vector<std::shared_ptr<kit::View>> { repeat->toastView() });
    EXPECT_EQ(repeat->toastView()->frame(), again->toastView()->frame());

    // A burst keeps the newest three.
    for (const char* text : { "一", "二", "三", "四" })
        ToastView::makeText(text)->show();
    EXPECT_EQ(toastsOnWindow().size(), 3u);
}

TEST_F(ToastViewTest, absent_or_empty_text_shows_nothing)
{
    ToastView::makeText(std::nullopt)->show();
    ToastView::makeText("")->show();
    EXPECT_TRUE(toastsOnWindow().empty());
    advance(2);
}

TEST_F(ToastViewTest, toast_copies_the_shared_settings_only_when_it_changes_one)
{
    auto untouched = ToastView::makeText("a");
    auto changed = ToastView::makeText("b");
    changed->setGravity(ToastGravityTop);
    ToastSettings::getSharedSettings().setDuration(3000);

    EXPECT_EQ(&untouched->currentSettings(), &ToastSettings::getSharedSettings());
    EXPECT_EQ(untouched->currentSettings().duration(), 3000);
    EXPECT_EQ(changed->currentSettings().duration(), 1000);
    EXPECT_EQ(changed->currentSettings().gravity(), ToastGravityTop);

    // Copies keep the images and the location of what they copy.
    ToastSettings settings = ToastSettings::getSharedSettings();
    settings.setImageWithLocation(image(10, 10), ToastImageLocationTop, 7);
    settings.setImageWithLocation(nullptr, ToastImageLocationTop, 8);
    settings.setImageForType(image(5, 5), ToastSettings::noImageType);
    auto copy = settings.copy();
    EXPECT_EQ(copy->imageLocation(), ToastImageLocationTop);
    EXPECT_EQ(copy->images()->size(), 1u);
    EXPECT_EQ(copy->imageForType(7), settings.imageForType(7));
}

TEST_F(ToastViewTest, image_sits_above_or_beside_the_text_but_plain_show_never_uses_one)
{
    auto toast = ToastView::makeText("abc");
    toast->theSettings().setImageWithLocation(image(30, 20), ToastImageLocationTop, 1);
    toast->show();
    EXPECT_EQ(toast->toastView()->subviews().size(), 1u);

    toast->show(1);
    // (max(30, 24) + 10) x (20 + 19.2 + 15), on whole points once centred.
    EXPECT_EQ(toast->toastView()->bounds().size, graphics::Size(40, 56));
    auto imageView = std::dynamic_pointer_cast<kit::ImageView>(toast->toastView()->subviews().at(1));
    ASSERT_TRUE(imageView);
    EXPECT_EQ(imageView->frame(), graphics::Rect(5, 5, 30, 20));

    EXPECT_EQ(ToastView::toastFrameForImageSize({ 30, 20 }, ToastImageLocationLeft, { 24, 19.2 }),
        graphics::Rect(0, 0, 69, 30));
    EXPECT_EQ(ToastView::frameForImageInToastFrame(image(30, 20), ToastImageLocationLeft, { 0, 0, 69, 30 }),
        graphics::Rect(5, 5, 30, 20));
    EXPECT_EQ(ToastView::toastFrameForImageSize({ 30, 20 }, 9, { 24, 19.2 }), graphics::Rect());
}

TEST_F(ToastViewTest, placement_follows_orientation_gravity_and_offsets)
{
    ToastSettings settings = ToastSettings::getSharedSettings();
    graphics::Size window { 320, 480 };
    auto at = [&](int orientation) { return ToastView::placementFor(orientation, settings, window); };

    settings.setGravity(ToastGravityBottom);
    EXPECT_EQ(at(1).center, graphics::Point(160, 400));
    settings.setGravity(ToastGravityTop);
    EXPECT_EQ(at(2).center, graphics::Point(160, 435));
    EXPECT_DOUBLE_EQ(at(2).rotation, std::numbers::pi);
    EXPECT_EQ(at(0).center, graphics::Point(0, 0));
    EXPECT_EQ(at(0).rotation, 0);

    settings.setOffsetLeft(3);
    settings.setOffsetTop(7);
    EXPECT_EQ(at(1).center, graphics::Point(163, 52));
    EXPECT_EQ(at(3).center, graphics::Point(275 - 7, 240 - 3));
    EXPECT_EQ(at(4).center, graphics::Point(45 + 7, 240 + 3));
    settings.setGravity(0);
    settings.setPostition({ 10, 20 });
    EXPECT_EQ(at(1).center, graphics::Point(13, 27));
}

} // namespace
