#include "api/URLConfig.h"
#include "cashier/ChoosePayWayViewController.h"
#include "members/ChooseRechargeRuleViewController.h"
#include "members/MemberRechargeResultViewController.h"
#include "members/MemberScreens.h"
#include "members/VipDetailViewController.h"
#include "members/VipRechargeViewController.h"
#include "model/RechargeRuleEntity.h"
#include "platform/kit/Button.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"
#include "ui/SingleChoiceList.h"
#include "ui/UICheckBox.h"

namespace {

using support::InputDriver;

// The recharge of the demo member 2, opened from the member's detail.
class RechargeFlow : public ShellFixture {
protected:
    void SetUp() override
    {
        MemberScreens::registerScreens();
        launchSignedIn();
        selectTab(1);
        VipDetailViewController::open(stack(), "88000002");
        harness.runUntilIdle();
        ASSERT_TRUE(tap("btnVipRecharge"));
        recharge = top<VipRechargeViewController>();
        ASSERT_TRUE(recharge);
        amount = std::dynamic_pointer_cast<kit::TextField>(find("tvPayMoney"));
    }

    void typeAmount(const std::string& total)
    {
        InputDriver::clear(*amount);
        InputDriver::type(*amount, total);
        InputDriver::endEditing(*amount);
    }
    std::shared_ptr<kit::Button> ok() const { return std::dynamic_pointer_cast<kit::Button>(find("btnOk")); }

    std::shared_ptr<VipRechargeViewController> recharge;
    std::shared_ptr<kit::TextField> amount;
};

TEST_F(RechargeFlow, second_tap_while_the_recharge_is_out_sends_nothing)
{
    typeAmount("100");
    recharge->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 100);
    slowReplies(URLConfig::RECHARGE, 2000);
    ASSERT_TRUE(tap("btnOk"));
    tap("btnOk");
    harness.advance(3);
    auto sends = requestsTo(URLConfig::RECHARGE);
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sent(sends[0], "ruleid"), "0");
    EXPECT_EQ(sent(sends[0], "bycash"), "100.00");
    EXPECT_EQ(sent(sends[0], "m_money"), "<absent>");
    EXPECT_TRUE(top<MemberRechargeResultViewController>());
}

TEST_F(RechargeFlow, amount_emptied_just_before_ok_sends_nothing)
{
    typeAmount("100");
    recharge->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 100);
    ASSERT_TRUE(ok()->isEnabled());
    // Emptied while still editing: the summary keeps the last amount, so
    // "确定" still looks ready when it is tapped.
    InputDriver::clear(*amount);
    ASSERT_TRUE(ok()->isEnabled());
    recharge->btnOkClick();
    harness.runUntilIdle();
    EXPECT_TRUE(requestsTo(URLConfig::RECHARGE).empty());
    EXPECT_FALSE(ok()->isEnabled());
    EXPECT_DOUBLE_EQ(recharge->totalMoney(), 0);
}

TEST_F(RechargeFlow, refused_recharge_after_a_paid_mobile_part_retries_without_collecting_again)
{
    typeAmount("100");
    recharge->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 30);
    recharge->inputPayMoneyCallback(InputPayMoneyDelegate::mobileType, 70);
    ASSERT_TRUE(tap("btnOk"));
    auto payWay = top<ChoosePayWayViewController>();
    ASSERT_TRUE(payWay);
    EXPECT_DOUBLE_EQ(payWay->money(), 70);
    EXPECT_EQ(payWay->consumeType(), MobilePayCallbackReceiver::consumeTypeRecharge);
    auto paid = payWay->requestPayParams();
    (*paid)["m_orderid"] = "NOSUCHORDER";
    recharge->setMobilePayCallbackParams(paid);
    stack()->popToViewController(recharge, false);
    harness.runUntilIdle();
    ASSERT_EQ(requestsTo(URLConfig::RECHARGE).size(), 1u);
    EXPECT_EQ(top(), recharge);

    // The paid part keeps its amount; the rest of the form is free again.
    takeToasts();
    ASSERT_TRUE(tap("btnMobilePay"));
    EXPECT_EQ(
        takeToasts(), std::vector<std::string> { MemberPaymentViewController::paidPartText("NOSUCHORDER") });
    EXPECT_EQ(top(), recharge);
    harness.advance(0.01);
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(top(), recharge) << "no second trip to the pay-way screen";
    auto attempts = requestsTo(URLConfig::RECHARGE);
    ASSERT_EQ(attempts.size(), 2u);
    EXPECT_EQ(sent(attempts[1], "m_orderid"), "NOSUCHORDER");
    EXPECT_EQ(sent(attempts[1], "m_money"), "70.00");
    // Refused for certain: the next recharge has a number of its own.
    EXPECT_NE(sent(attempts[1], "reverseid"), sent(attempts[0], "reverseid"));
}

TEST_F(RechargeFlow, recharge_whose_reply_is_lost_holds_its_split_and_is_charged_once)
{
    typeAmount("100");
    recharge->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 100);
    failOnce(merchant::FaultKind::DropReply, std::string(URLConfig::RECHARGE));
    ASSERT_TRUE(tap("btnOk"));
    ASSERT_EQ(count(URLConfig::RECHARGE), 1u);

    // Half by mobile now? Not while the cash recharge may have gone through.
    takeToasts();
    recharge->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 50);
    ASSERT_TRUE(tap("btnMobilePay"));
    ASSERT_TRUE(tap("btnRechargeRule"));
    EXPECT_EQ(InputDriver::type(*amount, "0"), 0u);
    EXPECT_EQ(top(), recharge);
    EXPECT_EQ(takeToasts(), std::vector<std::string>(4, MemberPaymentViewController::heldText));
    EXPECT_EQ(harness.labelText("labelCashMoney"), "100");
    EXPECT_EQ(harness.labelText("labelMobileMoney"), "0");

    harness.advance(0.01);
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_FALSE(top<ChoosePayWayViewController>());
    auto attempts = requestsTo(URLConfig::RECHARGE);
    ASSERT_EQ(attempts.size(), 2u);
    EXPECT_EQ(sent(attempts[1], "reverseid"), sent(attempts[0], "reverseid"));
    EXPECT_EQ(sent(attempts[1], "bycash"), "100.00");
    EXPECT_EQ(sent(attempts[1], "m_money"), "<absent>");
    EXPECT_TRUE(top<MemberRechargeResultViewController>());
    ASSERT_EQ(m_backend->settlements().size(), 1u);
    EXPECT_EQ(m_backend->settlements()[0].cash, 100'000);
    EXPECT_EQ(m_backend->member("88000002")->money, 220'000 + 100'000);
}

TEST_F(RechargeFlow, rule_chooser_checks_the_rule_in_force_and_asks_for_one_when_none_is_left)
{
    typeAmount("100");
    ASSERT_TRUE(tap("btnRechargeRule"));
    auto chooser = top<ChooseRechargeRuleViewController>();
    ASSERT_TRUE(chooser);
    auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableView"));
    ASSERT_EQ(chooser->datas().size(), 4u);
    EXPECT_TRUE(chooser->choices()->checkboxAt({ 0, 0 })->checked());
    ASSERT_TRUE(InputDriver::selectRow(*table, { 0, 1 }));
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(top(), recharge);
    EXPECT_EQ(recharge->rechargeRuleEntity()->id(), "1");

    ASSERT_TRUE(tap("btnRechargeRule"));
    chooser = top<ChooseRechargeRuleViewController>();
    table = std::dynamic_pointer_cast<kit::TableView>(find("tableView"));
    EXPECT_FALSE(chooser->choices()->checkboxAt({ 0, 0 })->checked());
    ASSERT_TRUE(chooser->choices()->checkboxAt({ 0, 1 })->checked());
    ASSERT_TRUE(InputDriver::selectRow(*table, { 0, 1 }));
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(m_toasts.back(), "请选择充值规则！");
    EXPECT_EQ(top(), chooser);
}

TEST_F(RechargeFlow, recharge_result_leads_back_to_the_detail_or_to_the_recharge)
{
    for (const char* status : { "0", "1" }) {
        auto result = std::make_shared<MemberRechargeResultViewController>();
        foundation::Json data = foundation::Json::object();
        data["status"] = status;
        data["orderid"] = "R1";
        result->setData(data);
        stack()->pushViewController(result, false);
        harness.runUntilIdle();
        result->back();
        harness.runUntilIdle();
        if (std::string(status) == "0")
            EXPECT_EQ(top(), recharge);
        else
            EXPECT_TRUE(top<VipDetailViewController>());
    }
}

} // namespace
