#include "api/Md5Util.h"
#include "cashier/CashierScreens.h"
#include "hud/ProgressHUD.h"
#include "netengine/NetworkEngine.h"
#include "platform/foundation/RunLoop.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"
#include "ui/LoginViewController.h"
#include "ui/SettingViewController.h"
#include "ui/UpdatePwdViewController.h"

#include <thread>

using support::InputDriver;

namespace {

class SettingsTest : public ShellFixture {
protected:
    void SetUp() override
    {
        setSetting("IS_FIRST_LAUNCH", "IS_FIRST_LAUNCH");
        useDemoCollectionKeys();
        signIn(Staff::Owner);
        setSetting("SHOP_NAME", "演示旗舰店");
        setSetting("NICK_NAME", "小演");
        launch();
        selectTab(3);
        m_settings = top<SettingViewController>();
        ASSERT_TRUE(m_settings) << "the settings tab shows its own screen, not a placeholder";
        m_toasts.clear();
    }

    // Until the plain client's requests have been through the engine's worker
    // threads and the stand-in's answers handled.
    void settle()
    {
        for (int round = 0; round < 100 && NetworkEngine::pendingOperationCount() > 0; ++round) {
            harness.runUntilIdle();
            foundation::RunLoop::main().runUntil([] { return NetworkEngine::operationsNotYetSent() == 0; });
        }
        harness.runUntilIdle();
    }

    void ownerCheck(const std::string& name, const std::string& password, const char* button = "确定")
    {
        ASSERT_TRUE(tap("btnSetKey"));
        auto alert = InputDriver::visibleAlert();
        ASSERT_TRUE(alert && alert->title() == "验证店长权限");
        InputDriver::clear(*alert->textFieldAtIndex(0));
        InputDriver::typeIntoAlertField(0, name);
        InputDriver::typeIntoAlertField(1, password);
        ASSERT_TRUE(InputDriver::pressAlertButton(button));
        harness.runUntilIdle();
    }

    std::shared_ptr<UpdatePwdViewController> openPasswordChange()
    {
        EXPECT_TRUE(tap("btnUpdatePwd"));
        harness.runUntilIdle();
        return top<UpdatePwdViewController>();
    }

    static void fill(UpdatePwdViewController& screen, const std::string& old, const std::string& fresh,
        const std::string& confirm)
    {
        for (auto& [field, text] : { std::pair { screen.tvSourcePwd(), old },
                 std::pair { screen.tvNewPwd(), fresh }, std::pair { screen.tvConfirmNewPwd(), confirm } }) {
            InputDriver::clear(*field);
            InputDriver::type(*field, text);
        }
    }

    void changePassword(UpdatePwdViewController& screen, const std::string& old, const std::string& fresh,
        const std::string& confirm)
    {
        fill(screen, old, fresh, confirm);
        ASSERT_TRUE(tap(*screen.btnUpdatePwd()));
        settle();
    }

    // The overlay fades out before it leaves the window.
    bool overlayUp()
    {
        harness.advance(1.0);
        for (const auto& view : app()->window()->subviews())
            if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(view); hud && !hud->isHidden())
                return true;
        return false;
    }

    std::shared_ptr<SettingViewController> m_settings;
};

TEST_F(SettingsTest, shows_who_is_signed_in_and_signing_out_keeps_the_keys)
{
    EXPECT_EQ(m_settings->labelUserName()->text(), "boss");
    EXPECT_EQ(m_settings->labelShopName()->text(), "演示旗舰店");
    EXPECT_EQ(m_settings->labelNickName()->text(), "小演");

    ASSERT_TRUE(tap("btnLogout"));
    ASSERT_EQ(InputDriver::visibleAlert()->title(), "您确认要退出当前账号吗？");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    harness.runUntilIdle();
    EXPECT_EQ(setting("USER_NAME"), "");
    EXPECT_EQ(setting("KEY_RECEIVABLE"), m_backend->keys().collectionKey);
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "您还未登录,请先登录！" }));
    EXPECT_TRUE(top<LoginViewController>());
}

TEST_F(SettingsTest, collection_keys_need_a_shop_owner_not_just_a_right_password)
{
    ownerCheck("cashier", "123456");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "验证失败,您不是店长,没有此权限！" }));
    EXPECT_FALSE(InputDriver::visibleAlert()) << "a cashier must never reach the key alert";

    m_toasts.clear();
    ownerCheck("boss", "123456");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "验证成功！" }));
    auto keyAlert = InputDriver::visibleAlert();
    ASSERT_TRUE(keyAlert);
    EXPECT_EQ(keyAlert->title(), "设置收款key");
    InputDriver::typeIntoAlertField(0, "new-key");
    InputDriver::typeIntoAlertField(1, "newsecret");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    harness.runUntilIdle();
    EXPECT_EQ(setting("KEY_RECEIVABLE"), "new-key");
    EXPECT_EQ(setting("USER_NAME"), "") << "a new collection pair signs the user out";
    EXPECT_TRUE(top<LoginViewController>());
}

TEST_F(
    SettingsTest, stale_collection_key_after_a_fresh_start_opens_its_alert_here_and_a_new_one_signs_in_again)
{
    // A fresh start on the collect tab, whose screen, like this one, records nothing.
    CashierScreens::registerScreens();
    setSetting("KEY_RECEIVABLE", "stale-key");
    launch();
    selectTab(3);
    m_settings = top<SettingViewController>();
    ASSERT_TRUE(m_settings);
    ASSERT_FALSE(app()->currentController());
    m_toasts.clear();

    ownerCheck("boss", "123456");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "key无效,请重新设置！" }));
    ASSERT_TRUE(InputDriver::visibleAlert()) << "the key could never be entered again from here";
    EXPECT_EQ(InputDriver::visibleAlert(), m_settings->alertViewRecivKey());
    InputDriver::typeIntoAlertField(0, m_backend->keys().collectionKey);
    InputDriver::typeIntoAlertField(1, m_backend->keys().collectionSecret);
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    settle();
    EXPECT_EQ(setting("KEY_RECEIVABLE"), m_backend->keys().collectionKey);
    EXPECT_EQ(setting("USER_NAME"), "");
    auto login = top<LoginViewController>();
    ASSERT_TRUE(login);

    InputDriver::clear(*login->tvUserName());
    InputDriver::type(*login->tvUserName(), "boss");
    InputDriver::type(*login->tvPassword(), "123456");
    ASSERT_TRUE(tap("btnLogin"));
    settle();
    EXPECT_EQ(top(), m_settings);
    EXPECT_EQ(m_settings->labelUserName()->text(), "boss");
}

TEST_F(SettingsTest, owner_check_offers_the_name_again_but_never_the_password)
{
    ownerCheck("  boss ", "secret", "取消");
    ASSERT_TRUE(tap("btnSetKey"));
    auto again = InputDriver::visibleAlert();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->textFieldAtIndex(0)->text(), "boss");
    EXPECT_EQ(again->textFieldAtIndex(1)->text(), "");

    // Blanks are no password: the same check comes up again, nothing is asked.
    InputDriver::typeIntoAlertField(1, "   ");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    harness.runUntilIdle();
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "密码不可为空！" }));
    EXPECT_EQ(InputDriver::visibleAlert(), again);
    EXPECT_TRUE(pathsRequested().empty());
}

TEST_F(SettingsTest, password_change_checks_its_fields_then_stores_the_new_hash)
{
    auto screen = openPasswordChange();
    ASSERT_TRUE(screen);
    changePassword(*screen, " ", "654321", "654321");
    changePassword(*screen, "123456", "", "654321");
    changePassword(*screen, "123456", "654321", " ");
    changePassword(*screen, "123456", "654321", "654320");
    EXPECT_EQ(m_toasts,
        (std::vector<std::string> {
            "请输入原密码！", "请输入新密码！", "请输入确认密码！", "两次输入密码不一致！" }));
    EXPECT_TRUE(pathsRequested().empty());

    m_toasts.clear();
    changePassword(*screen, "123456", "654321", "654321");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "密码修改成功" }));
    EXPECT_EQ(pathsRequested(), (std::vector<std::string> { "/Api/Alipay/modifyStaffPassword" }));
    // Owner requests send the stored hash: the old one would now be refused.
    EXPECT_EQ(setting("PASS_WORD"), Md5Util::md5_32("654321"));
    EXPECT_EQ(top(), m_settings);
    EXPECT_FALSE(overlayUp());
}

TEST_F(SettingsTest, password_change_failures_close_the_overlay_and_say_what_happened)
{
    auto screen = openPasswordChange();
    ASSERT_TRUE(screen);
    failOnce(merchant::FaultKind::Http500, "/Api/Alipay/modifyStaffPassword");
    changePassword(*screen, "123456", "654321", "654321");
    failOnce(merchant::FaultKind::Undecryptable, "/Api/Alipay/modifyStaffPassword");
    changePassword(*screen, "123456", "654321", "654321");
    changePassword(*screen, "wrong", "654321", "654321");
    EXPECT_EQ(m_toasts,
        (std::vector<std::string> { "连接失败，请检查您的网络连接！",
            std::string(UpdatePwdViewController::unreadableReplyMessage), "原密码错误" }));
    EXPECT_EQ(setting("PASS_WORD"), Md5Util::md5_32("123456"));
    EXPECT_EQ(top(), screen) << "a refused change leaves the screen with what was typed";
    EXPECT_FALSE(overlayUp());
}

TEST_F(SettingsTest, password_change_goes_out_once_while_out_and_its_button_opens_after_any_ending)
{
    std::string const path = "/Api/Alipay/modifyStaffPassword";
    auto screen = openPasswordChange();
    ASSERT_TRUE(screen);
    auto const& button = screen->btnUpdatePwd();
    slowReplies(path, 2000);
    fill(*screen, "wrong", "654321", "654321");
    ASSERT_TRUE(tap(*button));
    EXPECT_FALSE(button->isEnabled());
    screen->updatePwd();
    // The slow answer is timed from the moment the worker sends the request.
    while (NetworkEngine::operationsNotYetSent() > 0)
        std::this_thread::yield();
    harness.advance(3);
    settle();
    EXPECT_EQ(requestsTo(path).size(), 1u) << "a second tap while the first is out sends nothing";
    EXPECT_TRUE(button->isEnabled()) << "a refusal leaves the screen usable";

    failOnce(merchant::FaultKind::Drop, path);
    changePassword(*screen, "123456", "654321", "654321");
    EXPECT_TRUE(button->isEnabled()) << "a failed request must not leave the button blocked for good";
    changePassword(*screen, "123456", "654321", "654321");
    EXPECT_EQ(requestsTo(path).size(), 3u);
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "原密码错误", "连接失败，请检查您的网络连接！", "密码修改成功" }));
}

} // namespace
