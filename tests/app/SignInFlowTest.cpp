#include "api/DesCipher.h"
#include "api/URLConfig.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TextField.h"
#include "platform/net/FakeTransport.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"
#include "ui/LoginViewController.h"
#include "ui/UICheckBox.h"

using support::InputDriver;

namespace {

class SignInTest : public ShellFixture {
protected:
    void SetUp() override
    {
        setSetting("IS_FIRST_LAUNCH", "IS_FIRST_LAUNCH");
        useDemoCollectionKeys();
        launch();
        m_home = top<BaseViewController>();
        ASSERT_TRUE(m_home);
        m_home->toLogin();
        m_login = top<LoginViewController>();
        ASSERT_TRUE(m_login);
        m_toasts.clear();
    }

    void fill(const std::string& user, const std::string& password)
    {
        InputDriver::clear(*m_login->tvUserName());
        InputDriver::type(*m_login->tvUserName(), user);
        InputDriver::clear(*m_login->tvPassword());
        InputDriver::type(*m_login->tvPassword(), password);
    }
    void signIn(const std::string& user, const std::string& password)
    {
        fill(user, password);
        ASSERT_TRUE(tap("btnLogin"));
        harness.runUntilIdle();
    }
    // The sign-in screen opened from a screen pushed over the tab's root, as
    // the pay-way screen opens it through a refused key.
    std::shared_ptr<BaseViewController> signInFromPushedScreen()
    {
        stack()->popToRootViewControllerAnimated(false);
        auto asking = std::make_shared<BaseViewController>();
        push(asking);
        asking->toLogin();
        settle();
        m_login = top<LoginViewController>();
        EXPECT_TRUE(m_login);
        m_toasts.clear();
        return asking;
    }

    // Answers every signed request with this plain text, encrypted as the
    // back end would.
    void replyWith(const std::string& plain)
    {
        auto secret = m_backend->keys().collectionSecret;
        m_transport->setHandler([plain, secret](const net::URLRequest&) {
            return net::FakeTransport::Reply::status(200, DesCipher::encode(plain, secret));
        });
    }

    std::shared_ptr<BaseViewController> m_home;
    std::shared_ptr<LoginViewController> m_login;
};

TEST_F(SignInTest, success_stores_every_setting_and_returns_to_asking_screen)
{
    signIn("boss", "123456");

    EXPECT_EQ(pathsRequested(),
        (std::vector<std::string> { "/PayApi/OfflinePay/checkStaff/", "/PayApi/OfflinePay/getShopInfo/" }));
    EXPECT_EQ(m_backend->requestLog().front().params["password"], "e10adc3949ba59abbe56e057f20f883e");
    EXPECT_EQ(setting("USER_ID"), "7");
    EXPECT_EQ(setting("TRUN_NAME"), "王店长");
    EXPECT_EQ(setting("USER_NAME"), "boss");
    EXPECT_EQ(setting("PASS_WORD"), "e10adc3949ba59abbe56e057f20f883e");
    EXPECT_EQ(setting("USER_JOB"), "2");
    EXPECT_EQ(setting("REMEBER_USERNAME"), "boss");
    EXPECT_EQ(setting("COMPANY"), "演示商贸有限公司");
    EXPECT_EQ(setting("SHOP_NAME"), "演示旗舰店");
    EXPECT_EQ(setting("NICK_NAME"), "小演");
    EXPECT_EQ(setting("DEVICE_NAME"), "收银台1号");
    EXPECT_EQ(setting("IS_ALI_PAY"), "1");
    EXPECT_EQ(setting("IS_WX_PAY"), "1");
    EXPECT_EQ(setting("IS_ENABLE_BD_PAY"), "1");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "登录成功！" }));
    EXPECT_EQ(top(), m_home);
    EXPECT_TRUE(m_home->checkUserSessionIsEnable());
}

TEST_F(SignInTest, empty_fields_are_refused_before_any_request)
{
    InputDriver::clear(*m_login->tvUserName());
    ASSERT_TRUE(tap("btnLogin"));
    InputDriver::type(*m_login->tvUserName(), "boss");
    ASSERT_TRUE(tap("btnLogin"));
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "用户名不可为空！", "密码不可为空！" }));
    EXPECT_TRUE(pathsRequested().empty());
}

TEST_F(SignInTest, refusal_shows_server_text_and_stores_nothing)
{
    // Blanks count as typed: only emptiness is refused here.
    signIn("boss", "   ");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "用户名或密码错误" }));
    EXPECT_FALSE(setting("USER_NAME"));
    EXPECT_EQ(top(), m_login);
}

TEST_F(SignInTest, unchecked_box_keeps_earlier_remembered_name)
{
    setSetting("REMEBER_USERNAME", "cashier");
    ASSERT_TRUE(tap("cb"));
    ASSERT_FALSE(m_login->cb()->checked());
    signIn("boss", "123456");
    EXPECT_EQ(setting("USER_NAME"), "boss");
    EXPECT_EQ(setting("REMEBER_USERNAME"), "cashier");
}

TEST_F(SignInTest, shop_information_refusal_still_leaves_user_signed_in)
{
    failOnce(merchant::FaultKind::StatusZero, "/PayApi/OfflinePay/getShopInfo/", "店铺信息获取失败");
    signIn("boss", "123456");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "店铺信息获取失败" }));
    EXPECT_EQ(setting("USER_NAME"), "boss");
    EXPECT_FALSE(setting("SHOP_NAME"));
    EXPECT_EQ(top(), m_login);
}

TEST_F(SignInTest, remembered_name_fills_the_field_on_next_visit)
{
    signIn("cashier", "123456");
    m_home->toLogin();
    auto again = top<LoginViewController>();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->tvUserName()->text(), "cashier");
    EXPECT_EQ(again->tvPassword()->text(), "");
}

TEST_F(SignInTest, taps_while_signing_in_send_nothing_and_only_the_sign_in_screen_closes)
{
    auto asking = signInFromPushedScreen();
    fill("boss", "123456");
    slowReplies(URLConfig::CHECK_STAFF, 2000);
    slowReplies(URLConfig::GET_SHOP_INFO, 2000);
    ASSERT_TRUE(tap("btnLogin"));
    ASSERT_TRUE(tap("btnLogin"));
    harness.advance(2.5);
    ASSERT_EQ(count(URLConfig::GET_SHOP_INFO), 1u);
    ASSERT_TRUE(tap("btnLogin")) << "the shop request is still out";
    harness.advance(3);

    EXPECT_EQ(pathsRequested(),
        (std::vector<std::string> { "/PayApi/OfflinePay/checkStaff/", "/PayApi/OfflinePay/getShopInfo/" }));
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "登录成功！" }));
    EXPECT_EQ(top(), asking);
    EXPECT_EQ(stack()->viewControllers().size(), 2u);
}

TEST_F(SignInTest, button_sends_again_after_a_refusal_a_failed_request_or_a_refused_key)
{
    fill("boss", "123456");
    const std::pair<merchant::FaultKind, std::string_view> endings[] = {
        { merchant::FaultKind::StatusZero, URLConfig::CHECK_STAFF },
        { merchant::FaultKind::Drop, URLConfig::CHECK_STAFF },
        { merchant::FaultKind::Http500, URLConfig::CHECK_STAFF },
        { merchant::FaultKind::Http403, URLConfig::CHECK_STAFF },
        { merchant::FaultKind::EmptyBody, URLConfig::GET_SHOP_INFO },
        { merchant::FaultKind::Http404, URLConfig::GET_SHOP_INFO },
    };
    for (const auto& [kind, path] : endings) {
        failOnce(kind, std::string(path), "稍后再试");
        ASSERT_TRUE(tap("btnLogin"));
        harness.runUntilIdle();
        if (auto alert = InputDriver::visibleAlert()) {
            EXPECT_EQ(alert, m_login->alertViewRecivKey());
            InputDriver::pressAlertButton("取消");
        }
    }
    ASSERT_TRUE(tap("btnLogin"));
    harness.runUntilIdle();
    EXPECT_EQ(count(URLConfig::CHECK_STAFF), 7u);
    EXPECT_EQ(top(), m_home);
}

TEST_F(SignInTest, malformed_replies_neither_crash_nor_sign_in)
{
    for (const char* plain : { "", "not json", "[]", "{\"status\":1}", "{\"status\":\"1\"}",
             "{\"status\":\"1\",\"data\":\"boss\"}", "{\"status\":\"1\",\"data\":[1,2]}",
             "{\"status\":\"1\",\"data\":{\"username\":[\"x\"],\"id\":{}}}",
             "{\"status\":\"0\",\"info\":7}" }) {
        SCOPED_TRACE(plain);
        replyWith(plain);
        signIn("boss", "123456");
        EXPECT_NE(setting("USER_NAME").value_or(""), "boss");
    }
    EXPECT_EQ(top(), m_login);
}

} // namespace

namespace {

// Only the 3.5-inch screen is too short to show the form above the keyboard.
class ShortScreenSignInTest : public SignInTest {
protected:
    void SetUp() override
    {
        kit::Screen::mainScreen().configure({ 320, 480 }, 2);
        SignInTest::SetUp();
    }
};

TEST_F(ShortScreenSignInTest, form_moves_up_while_keyboard_is_up)
{
    InputDriver::type(*m_login->tvPassword(), "1");
    EXPECT_EQ(m_login->view()->frame().origin.y, -80);
    InputDriver::endEditing(*m_login->tvPassword());
    EXPECT_EQ(m_login->view()->frame().origin.y, 0);
}

TEST_F(SignInTest, form_stays_put_for_keyboard_on_taller_screens)
{
    InputDriver::type(*m_login->tvPassword(), "1");
    EXPECT_EQ(m_login->view()->frame().origin.y, 0);
}

} // namespace
