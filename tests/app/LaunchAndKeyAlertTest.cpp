#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "app/GuideViewController.h"
#include "app/HomeViewController.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TabBar.h"
#include "platform/kit/TabBarItem.h"
#include "platform/kit/Window.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"
#include "ui/BaseViewController.h"
#include "ui/LoginViewController.h"

using support::InputDriver;

namespace {

class LaunchTest : public ShellFixture { };

TEST_F(LaunchTest, guide_counts_as_shown_once_loaded_even_if_never_left)
{
    launch();
    EXPECT_TRUE(std::dynamic_pointer_cast<GuideViewController>(app()->window()->rootViewController()));
    EXPECT_EQ(setting("IS_FIRST_LAUNCH"), "IS_FIRST_LAUNCH");

    // Quit on page one, start again: straight to the tabs.
    launch();
    EXPECT_EQ(app()->window()->rootViewController(), app()->homeViewController());
}

TEST_F(LaunchTest, empty_first_launch_value_still_shows_guide)
{
    setSetting("IS_FIRST_LAUNCH", "");
    launch();
    EXPECT_TRUE(std::dynamic_pointer_cast<GuideViewController>(app()->window()->rootViewController()));
}

TEST_F(LaunchTest, last_guide_page_button_hands_window_to_home_tabs)
{
    launch();
    auto guide = std::dynamic_pointer_cast<GuideViewController>(app()->window()->rootViewController());
    ASSERT_TRUE(guide);
    auto width = guide->view()->bounds().size.width;
    EXPECT_EQ(guide->scrollView()->contentSize().width, 4 * width);
    guide->scrollView()->setContentOffset({ 3 * width, 0 });
    harness.runUntilIdle();

    ASSERT_TRUE(tap(GuideViewController::goHomeButtonName));
    EXPECT_EQ(app()->window()->rootViewController(), app()->homeViewController());
    EXPECT_FALSE(guide->view()->superview());
}

// Four decoded full-screen pictures held from the start made the first start
// slow and large; a page's picture is there exactly while the page is in view.
TEST_F(LaunchTest, guide_holds_pictures_only_for_pages_in_view)
{
    launch();
    auto guide = std::dynamic_pointer_cast<GuideViewController>(app()->window()->rootViewController());
    ASSERT_TRUE(guide);
    auto pictured = [&] {
        std::vector<bool> shown;
        for (auto const& page : guide->pages())
            shown.push_back(page->image() != nullptr);
        return shown;
    };
    EXPECT_EQ(pictured(), (std::vector<bool> { true, false, false, false }));
    auto width = guide->view()->bounds().size.width;
    // Halfway through a swipe both pages show.
    guide->scrollView()->setContentOffset({ 1.5 * width, 0 });
    EXPECT_EQ(pictured(), (std::vector<bool> { false, true, true, false }));
    guide->scrollView()->setContentOffset({ 3 * width, 0 });
    EXPECT_EQ(pictured(), (std::vector<bool> { false, false, false, true }));
    EXPECT_EQ(guide->pages()[3]->image()->size(), (graphics::Size { 320, 568 }));
}

TEST_F(LaunchTest, home_tabs_have_titles_artwork_and_registered_roots)
{
    setSetting("IS_FIRST_LAUNCH", "IS_FIRST_LAUNCH");
    auto members = std::make_shared<BaseViewController>();
    kit::Registry::shared().registerController("VipViewController", [members] { return members; });
    launch();

    const auto& tabs = app()->homeViewController()->viewControllers();
    ASSERT_EQ(tabs.size(), 4u);
    // What the bar shows, not just what the items hold.
    std::vector<std::string> titles;
    for (const auto& button : app()->homeViewController()->tabBar()->itemButtons()) {
        titles.push_back(button->titleForState(kit::ControlState::Normal).value_or(""));
        auto selected = button->imageForState(kit::ControlState::Selected);
        ASSERT_TRUE(selected);
        // Drawn as painted, not tinted by the bar.
        EXPECT_EQ(selected->renderingMode(), graphics::Image::RenderingMode::AlwaysOriginal);
        EXPECT_NE(selected, button->imageForState(kit::ControlState::Normal));
    }
    EXPECT_EQ(titles, (std::vector<std::string> { "收款", "会员", "卡券", "设置" }));
    auto membersStack = std::dynamic_pointer_cast<kit::NavigationController>(tabs[1]);
    ASSERT_TRUE(membersStack);
    EXPECT_EQ(membersStack->topViewController(), members);
    EXPECT_EQ(kit::TabBarItem::appearanceTitleColor(kit::ControlState::Normal), graphics::Color::white());
    // The collect tab's white bill icon needs the green bar from the start,
    // though that screen never runs the step that makes bars green.
    auto collectStack = std::dynamic_pointer_cast<kit::NavigationController>(tabs[0]);
    ASSERT_TRUE(collectStack);
    auto bar = collectStack->navigationBar()->backgroundImage();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->pixelAt(0, 0), graphics::Color::fromRgb24(0x3AAA24));
    // Titles of the bar (the scanner's, the takings') are read on that green.
    for (const auto& stack : tabs) {
        auto navigation = std::dynamic_pointer_cast<kit::NavigationController>(stack);
        ASSERT_TRUE(navigation);
        EXPECT_EQ(navigation->navigationBar()->titleTextColor(), graphics::Color::white());
    }
}

class KeyAlertTest : public ShellFixture {
protected:
    void SetUp() override
    {
        setSetting("IS_FIRST_LAUNCH", "IS_FIRST_LAUNCH");
        launch();
        m_screen = top<BaseViewController>();
        ASSERT_TRUE(m_screen);
    }
    void fillAlert(const std::string& key, const std::string& encrypt)
    {
        InputDriver::typeIntoAlertField(0, key);
        InputDriver::typeIntoAlertField(1, encrypt);
    }

    std::shared_ptr<BaseViewController> m_screen;
};

TEST_F(KeyAlertTest, blank_key_is_refused_and_alert_returns_with_typed_text)
{
    m_screen->setReceivableKey();
    fillAlert("   ", "secret");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));

    EXPECT_EQ(m_toasts, (std::vector<std::string> { "key不可为空！" }));
    auto alert = InputDriver::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "设置收款key");
    EXPECT_EQ(alert->textFieldAtIndex(0)->text(), "   ");
    EXPECT_FALSE(setting("KEY_RECEIVABLE"));
}

TEST_F(KeyAlertTest, both_fields_empty_give_both_toasts_and_one_reappearance)
{
    m_screen->setMemberKey();
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "key不可为空！", "加密key不可为空！" }));
    EXPECT_EQ(harness.alerts().titles(), (std::vector<std::string> { "设置商家key", "设置商家key" }));
    EXPECT_TRUE(InputDriver::visibleAlert());
}

TEST_F(KeyAlertTest, cancel_keeps_stored_pair_even_with_text_typed)
{
    setSetting("KEY_MEMBER", "old");
    m_screen->setMemberKey();
    fillAlert("new", "newsecret");
    ASSERT_TRUE(InputDriver::pressAlertButton("取消"));
    EXPECT_EQ(setting("KEY_MEMBER"), "old");
    EXPECT_TRUE(m_toasts.empty());
    EXPECT_FALSE(InputDriver::visibleAlert());
}

TEST_F(KeyAlertTest, new_collection_pair_signs_out_and_opens_sign_in)
{
    setSetting("USER_NAME", "boss");
    m_screen->setReceivableKey();
    fillAlert("  pay-key \n", "paysecret");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));

    EXPECT_EQ(setting("KEY_RECEIVABLE"), "pay-key");
    EXPECT_EQ(setting("KEY_RECEIVABLE_ENCRYPT"), "paysecret");
    EXPECT_EQ(setting("USER_NAME"), "");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "设置成功！" }));
    auto login = top<LoginViewController>();
    ASSERT_TRUE(login);
    EXPECT_TRUE(login->hidesBottomBarWhenPushed());

    // Saved again from the sign-in screen: still one sign-in screen.
    login->setReceivableKey();
    fillAlert("pay-key-2", "paysecret2");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    EXPECT_EQ(setting("KEY_RECEIVABLE"), "pay-key-2");
    EXPECT_EQ(m_screen->navigationController()->viewControllers().size(), 2u);
}

TEST_F(KeyAlertTest, member_pair_leaves_user_signed_in_and_stays_put)
{
    setSetting("USER_NAME", "boss");
    m_screen->setMemberKey();
    fillAlert("member-key", "mbrsecret");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    EXPECT_EQ(setting("KEY_MEMBER"), "member-key");
    EXPECT_EQ(setting("KEY_MEMBER_ENCRYPT"), "mbrsecret");
    EXPECT_EQ(setting("USER_NAME"), "boss");
    EXPECT_EQ(top(), m_screen);
}

TEST_F(KeyAlertTest, guard_asks_for_key_before_sign_in)
{
    EXPECT_FALSE(m_screen->checkIsLoginAndKeyExists());
    EXPECT_EQ(harness.alerts().titles(), (std::vector<std::string> { "设置收款key" }));
    EXPECT_TRUE(m_toasts.empty());
    EXPECT_EQ(top(), m_screen);
    InputDriver::pressAlertButton("取消");

    setSetting("KEY_RECEIVABLE", "pay-key");
    EXPECT_FALSE(m_screen->checkIsLoginAndKeyExists());
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "您还未登录,请先登录！" }));
    EXPECT_TRUE(top<LoginViewController>());

    setSetting("USER_NAME", "boss");
    EXPECT_TRUE(m_screen->checkIsLoginAndKeyExists());
}

TEST_F(KeyAlertTest, rejected_key_opens_alert_of_its_pair_on_last_shown_screen)
{
    useDemoCollectionKeys();
    // The sign-in screen appears last, so it is the one asked.
    m_screen->toLogin();
    harness.runUntilIdle();
    auto login = top<LoginViewController>();
    ASSERT_EQ(app()->currentController(), login);
    m_toasts.clear();

    failOnce(merchant::FaultKind::Http404);
    NetUtilSign::doPost(URLConfig::GET_MEMBER_LIST, std::nullopt, NetUtilSign::memberKeyFlag, {},
        [](const std::optional<std::string>&) { ADD_FAILURE() << "refused reply reached the screen"; });
    harness.runUntilIdle();
    EXPECT_EQ(login->alertViewMemberKey(), InputDriver::visibleAlert());
    InputDriver::pressAlertButton("取消");

    failOnce(merchant::FaultKind::Http403);
    NetUtilSign::doPost(URLConfig::GET_SHOP_INFO, std::nullopt, NetUtilSign::receivableKeyFlag, {},
        [](const std::optional<std::string>&) { ADD_FAILURE() << "refused reply reached the screen"; });
    harness.runUntilIdle();
    EXPECT_EQ(login->alertViewRecivKey(), InputDriver::visibleAlert());
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "key无效,请重新设置！", "key无效,请重新设置！" }));
}

// The recorded screen is the last that ran the base appearance step; once
// it has been left, its alert would open for a screen nobody sees, whose
// save would push the sign-in onto a stack that is not shown (the settings
// flow saves one).
TEST_F(KeyAlertTest, rejected_key_opens_alert_where_the_person_is_once_the_recorded_screen_is_left)
{
    useDemoCollectionKeys();
    setSetting("USER_NAME", "boss");
    // Settings records nothing: the collect tab's screen stays recorded.
    selectTab(3);
    auto settings = top<BaseViewController>();
    ASSERT_TRUE(settings);
    ASSERT_EQ(app()->currentController(), m_screen);
    failOnce(merchant::FaultKind::Http404);
    NetUtilSign::doPost(URLConfig::GET_MEMBER_LIST, std::nullopt, NetUtilSign::memberKeyFlag, {},
        [](const std::optional<std::string>&) { ADD_FAILURE() << "refused reply reached the screen"; });
    harness.runUntilIdle();
    ASSERT_TRUE(InputDriver::visibleAlert());
    EXPECT_EQ(InputDriver::visibleAlert(), settings->alertViewMemberKey());
    EXPECT_FALSE(m_screen->alertViewMemberKey());
    InputDriver::pressAlertButton("取消");

    // A screen popped off this tab stays recorded, but is gone from view.
    auto pushed = std::make_shared<BaseViewController>();
    push(pushed);
    ASSERT_EQ(app()->currentController(), pushed);
    stack()->popViewControllerAnimated(true);
    settle();
    ASSERT_EQ(app()->currentController(), pushed);
    failOnce(merchant::FaultKind::Http403);
    NetUtilSign::doPost(URLConfig::GET_SHOP_INFO, std::nullopt, NetUtilSign::receivableKeyFlag, {},
        [](const std::optional<std::string>&) { ADD_FAILURE() << "refused reply reached the screen"; });
    harness.runUntilIdle();
    EXPECT_EQ(InputDriver::visibleAlert(), settings->alertViewRecivKey());
    EXPECT_FALSE(pushed->alertViewRecivKey());
}

} // namespace
