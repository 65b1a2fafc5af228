#include "cashier/ChoosePayWayViewController.h"
#include "cashier/ReceivableViewController.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"
#include "ui/LoginViewController.h"

#include <cmath>
#include <sstream>

namespace {

// The collect tab as a person meets it after the guide, before any key or
// sign-in.
class CollectTab : public ShellFixture {
protected:
    void SetUp() override
    {
        launchHome();
        collect = top<ReceivableViewController>();
        ASSERT_TRUE(collect) << harness.dumpTree();
    }

    void setCollectionKeyAndUser(const std::string& user = "cashier01", const std::string& shop = "一号店")
    {
        setSetting("KEY_RECEIVABLE", "rk");
        setSetting("USER_NAME", user);
        setSetting("SHOP_NAME", shop);
    }

    // Keys by their titles, separated by spaces; "del" and "ok" name the two others.
    void press(const std::string& keys)
    {
        std::istringstream in(keys);
        for (std::string key; in >> key;) {
            bool tapped
                = key == "del" ? harness.tap("btnDelete") : harness.tapTitle(key == "ok" ? "确定" : key);
            ASSERT_TRUE(tapped) << key;
        }
    }

    // The amount as the person sees it.
    std::string shownAmount() const
    {
        return collect->labelMoney()->isHidden() ? std::string("<hidden>") : collect->labelMoney()->text();
    }

    void switchTabAwayAndBack()
    {
        selectTab(1);
        selectTab(0);
    }

    std::shared_ptr<ReceivableViewController> collect;
};

TEST_F(CollectTab, keys_that_would_break_the_amount_format_are_refused_silently)
{
    setCollectionKeyAndUser();
    struct Case {
        const char* keys;
        const char* amount;
    };
    const Case cases[] = {
        // Nothing typed: no point and no "00", but a plain zero.
        { ". 00", "<hidden>" },
        { "0 00", "000" },
        // Five digits before the point at most; the point still goes in.
        { "1 2 3 4 5 6 00", "12345" },
        { "1 2 3 4 5 . 6 7 8 00", "12345.67" },
        { "1 2 3 4 00 0", "12340" },
        // Two decimals at most; "00" only straight after the point.
        { "1 . 2 3 4 5 00 .", "1.23" },
        { "1 . 2 00 5", "1.25" },
        { "1 . 00", "1.00" },
        { "1 . . 5", "1.5" },
        // Deleting the last character hides the amount; the point is refused again.
        { "7 del . 4", "4" },
        { "7 del del", "<hidden>" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        press(c.keys);
        EXPECT_EQ(shownAmount(), c.amount);
        EXPECT_EQ(collect->labelInputConfirm()->isHidden(), !collect->labelMoney()->isHidden());
        while (!collect->labelMoney()->text().empty())
            press("del");
    }
    EXPECT_TRUE(m_toasts.empty());
}

TEST_F(CollectTab, ok_refuses_empty_and_zero_amounts_and_opens_pay_way_with_the_value)
{
    setCollectionKeyAndUser();
    press("ok");
    press("0 0 ok");
    ASSERT_EQ(m_toasts, (std::vector<std::string> { "请输入付款金额！", "付款金额必须大于0！" }));
    EXPECT_EQ(top(), collect);

    press("del del 5 . ok");
    auto payWay = top<ChoosePayWayViewController>();
    ASSERT_TRUE(payWay);
    EXPECT_DOUBLE_EQ(payWay->money(), 5.0);
    EXPECT_EQ(payWay->consumeType(), 0);
    EXPECT_TRUE(payWay->hidesBottomBarWhenPushed());
    EXPECT_EQ(harness.labelText("labelMoney"), "5.00");
    EXPECT_EQ(collect->labelMoney()->text(), "5.");
}

TEST_F(CollectTab, keys_do_nothing_but_ask_for_the_key_then_for_sign_in)
{
    press("1");
    auto alert = support::InputDriver::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "设置收款key");
    EXPECT_EQ(shownAmount(), "<hidden>");
    support::InputDriver::pressAlertButton(1);

    setSetting("KEY_RECEIVABLE", "rk");
    press("ok");
    EXPECT_EQ(m_toasts, (std::vector<std::string> { "您还未登录,请先登录！" }));
    EXPECT_TRUE(top<LoginViewController>());
}

TEST_F(CollectTab, a_paid_collection_clears_the_amount_on_every_return_until_a_key_is_taken)
{
    setCollectionKeyAndUser();
    switchTabAwayAndBack();
    press("1 2 ok");
    // What the payment result does once the order is paid.
    app()->setIsPaySuccessBack(true);
    stack()->popToRootViewControllerAnimated(true);
    settle();
    ASSERT_EQ(top(), collect);
    EXPECT_EQ(shownAmount(), "<hidden>");
    EXPECT_EQ(collect->labelMoney()->text(), "");
    EXPECT_FALSE(collect->labelInputConfirm()->isHidden());

    // Until a key is taken, every return starts from nothing again.
    press("del");
    switchTabAwayAndBack();
    EXPECT_EQ(shownAmount(), "<hidden>");
    EXPECT_TRUE(app()->isPaySuccessBack());

    press("3");
    EXPECT_FALSE(app()->isPaySuccessBack());
    switchTabAwayAndBack();
    EXPECT_EQ(shownAmount(), "3");

    // Signed out, the amount is kept whatever the flag says.
    app()->setIsPaySuccessBack(true);
    setSetting("USER_NAME", "");
    switchTabAwayAndBack();
    EXPECT_EQ(shownAmount(), "3");
}

TEST_F(CollectTab, appearing_shows_who_is_signed_in_and_the_amount_sits_centred)
{
    EXPECT_FALSE(collect->labelMsg()->isHidden());
    setCollectionKeyAndUser("alice", "南门店");
    switchTabAwayAndBack();
    EXPECT_EQ(collect->labelUserName()->text(), "alice");
    EXPECT_EQ(collect->labelShopName()->text(), "南门店");
    EXPECT_TRUE(collect->labelMsg()->isHidden());
    // The collect tab never becomes the screen whose key alert a rejected key opens.
    EXPECT_NE(app()->currentController(), collect);

    press("1 2 3 . 4");
    auto frame = collect->view()->frame();
    auto money = collect->labelMoney()->frame();
    auto sign = collect->labelMoneyFLag()->frame();
    double measured = graphics::TextMeasurer::shared()
                          ->boundingSize("123.4", graphics::Font::systemFont(35), { frame.width(), 100 })
                          .width;
    double y = std::trunc((frame.height() * 0.32 - 45) / 2);
    EXPECT_DOUBLE_EQ(money.width(), measured);
    EXPECT_DOUBLE_EQ(money.x(), (frame.width() - measured) / 2 + 15);
    EXPECT_DOUBLE_EQ(money.y(), y);
    EXPECT_DOUBLE_EQ(sign.maxX(), money.x() - 5);
    EXPECT_GE(sign.width(), 25);
    EXPECT_DOUBLE_EQ(sign.y(), y + 2);
}

} // namespace
