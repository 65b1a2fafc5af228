#include "../app/ShellFixture.h"
#include "api/URLConfig.h"
#include "cashier/CashierScreens.h"
#include "cashier/ChoosePayWayViewController.h"
#include "members/ChoosePreferentialWayViewController.h"
#include "members/GiveCreditViewController.h"
#include "members/MemberConsumeResultViewController.h"
#include "members/MemberScreens.h"
#include "members/VipConsumeViewController.h"
#include "members/VipDetailViewController.h"
#include "members/VipSearchViewController.h"
#include "members/VipViewController.h"
#include "model/VipDetailEntity.h"
#include "model/VipListEntity.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "support/InputDriver.h"
#include "ui/SingleChoiceList.h"
#include "ui/UICheckBox.h"

#include <algorithm>

namespace {

using support::InputDriver;

// The members tab of the launched app, signed in with both key pairs, on
// the stand-in back end's demo merchant.
class MemberFlow : public ShellFixture {
protected:
    void SetUp() override
    {
        setSetting("IS_FIRST_LAUNCH", "IS_FIRST_LAUNCH");
        useDemoCollectionKeys();
        setSetting("USER_NAME", "boss");
        CashierScreens::registerScreens();
        MemberScreens::registerScreens();
        launch();
        tabs()->setSelectedIndex(1);
        m_harness.runUntilIdle();
        members = std::dynamic_pointer_cast<VipViewController>(topScreen());
        ASSERT_TRUE(members);
    }

    std::shared_ptr<kit::TabBarController> tabs() const
    {
        return std::dynamic_pointer_cast<kit::TabBarController>(app()->window()->rootViewController());
    }
    std::shared_ptr<kit::NavigationController> stack() const { return members->navigationController(); }

    void slowOnce(std::string_view path, int delayMs)
    {
        merchant::FaultRule rule;
        rule.kind = merchant::FaultKind::Slow;
        rule.path = std::string(path);
        rule.remaining = 1;
        rule.delayMs = delayMs;
        m_backend->addFault(rule);
    }
    std::vector<merchant::LoggedRequest> requestsTo(std::string_view path) const
    {
        std::vector<merchant::LoggedRequest> found;
        for (const auto& entry : m_backend->requestLog()) {
            if (entry.path == path)
                found.push_back(entry);
        }
        return found;
    }
    std::string sent(const merchant::LoggedRequest& entry, const char* key) const
    {
        return entry.params.contains(key) ? entry.params[key].get<std::string>() : std::string("<absent>");
    }

    // The purchase screen of the demo member 2 (balance 220, gift 20, card rate 8.5).
    std::shared_ptr<VipConsumeViewController> openPurchase()
    {
        VipDetailViewController::open(stack(), "88000002");
        m_harness.runUntilIdle();
        EXPECT_TRUE(tap("btnVipConsume"));
        return std::dynamic_pointer_cast<VipConsumeViewController>(topScreen());
    }
    void typeTotal(const std::string& total)
    {
        auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvPayMoney"));
        InputDriver::clear(*field);
        InputDriver::type(*field, total);
        InputDriver::endEditing(*field);
    }

    std::shared_ptr<VipViewController> members;
};

TEST_F(MemberFlow, failed_card_list_is_asked_again_and_a_late_page_of_a_left_tab_is_dropped)
{
    // The first load happened at launch; start again from a refused one.
    auto fresh = std::make_shared<VipViewController>();
    failOnce(merchant::FaultKind::StatusZero, std::string(URLConfig::GET_CARD_LIST), "稍后再试");
    stack()->pushViewController(fresh, false);
    m_harness.runUntilIdle();
    EXPECT_TRUE(fresh->vipCardArray().empty());
    stack()->popViewControllerAnimated(false);
    m_harness.runUntilIdle();
    stack()->pushViewController(fresh, false);
    m_harness.runUntilIdle();
    ASSERT_EQ(fresh->tabButtonList().size(), 4u);
    EXPECT_EQ(fresh->tabButtonList()[0]->currentTitle(), "全部");

    slowOnce(URLConfig::GET_MEMBER_LIST, 2000);
    fresh->tabButtonList()[1]->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
    fresh->tabButtonList()[2]->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
    m_harness.advance(3);
    auto cardOfTab2 = sent(requestsTo(URLConfig::GET_MEMBER_LIST).back(), "cardid");
    ASSERT_FALSE(fresh->vipUserArray().empty());
    for (const auto& member : fresh->vipUserArray())
        EXPECT_EQ(member->cardid(), cardOfTab2);
}

TEST_F(MemberFlow, search_without_a_match_leaves_no_row_of_the_previous_search_to_open)
{
    ASSERT_TRUE(tap("tvSearchContent"));
    auto search = std::dynamic_pointer_cast<VipSearchViewController>(topScreen());
    ASSERT_TRUE(search);
    auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvSearchContent"));
    InputDriver::type(*field, "王芳");
    search->search();
    m_harness.runUntilIdle();
    ASSERT_EQ(search->vipArray().size(), 1u);
    InputDriver::clear(*field);
    InputDriver::type(*field, "nobody&cardid=101");
    search->search();
    m_harness.runUntilIdle();
    EXPECT_TRUE(search->vipArray().empty());
    EXPECT_EQ(search->tableView()->numberOfRowsInSection(0), 0);
    // The keyword arrived whole, not cut at its "&".
    EXPECT_EQ(sent(requestsTo(URLConfig::GET_MEMBER_LIST).back(), "keyword"), "nobody&cardid=101");
}

TEST_F(MemberFlow, detail_actions_wait_for_the_member)
{
    slowOnce(URLConfig::GET_USER_INFO, 2000);
    VipDetailViewController::open(stack(), "88000002");
    m_harness.runUntilIdle();
    auto consume = std::dynamic_pointer_cast<kit::Button>(find("btnVipConsume"));
    ASSERT_TRUE(consume);
    EXPECT_FALSE(consume->isEnabled());
    m_harness.advance(3);
    EXPECT_TRUE(consume->isEnabled());
}

TEST_F(MemberFlow, price_reply_for_an_earlier_total_is_dropped)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    slowOnce(URLConfig::MEMC_ORDER, 2000);
    typeTotal("100");
    typeTotal("200");
    m_harness.advance(3);
    ASSERT_EQ(requestsTo(URLConfig::MEMC_ORDER).size(), 2u);
    EXPECT_DOUBLE_EQ(purchase->pricedAmount().value_or(0), 170.0);
}

TEST_F(MemberFlow, second_tap_while_a_purchase_is_out_sends_nothing_and_the_password_is_not_kept)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    typeTotal("100");
    m_harness.runUntilIdle();
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 50);
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::balanceType, 35);
    slowOnce(URLConfig::PAY_ORDER, 2000);
    ASSERT_TRUE(tap("btnOk"));
    InputDriver::typeIntoAlertField(0, "123456");
    ASSERT_TRUE(InputDriver::pressAlertButton(0));
    EXPECT_EQ(purchase->inputPayPwdAlertView()->textFieldAtIndex(0)->text(), "");
    m_harness.runUntilIdle();
    ASSERT_EQ(requestsTo(URLConfig::PAY_ORDER).size(), 1u);
    tap("btnOk");
    EXPECT_FALSE(InputDriver::visibleAlert());
    m_harness.advance(3);
    EXPECT_EQ(requestsTo(URLConfig::PAY_ORDER).size(), 1u);
}

TEST_F(MemberFlow, refused_purchase_after_a_paid_mobile_part_retries_without_collecting_again)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    typeTotal("100");
    m_harness.runUntilIdle();
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 45);
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::mobileType, 40);
    ASSERT_TRUE(tap("btnOk"));
    auto payWay = std::dynamic_pointer_cast<ChoosePayWayViewController>(topScreen());
    ASSERT_TRUE(payWay);
    EXPECT_DOUBLE_EQ(payWay->money(), 40);
    // As the cashier hands a paid request back: the same dictionary, numbered.
    auto paid = payWay->requestPayParams();
    (*paid)["m_orderid"] = "NOSUCHORDER";
    purchase->setMobilePayCallbackParams(paid);
    stack()->popToViewController(purchase, false);
    m_harness.runUntilIdle();
    ASSERT_EQ(requestsTo(URLConfig::PAY_ORDER).size(), 1u);
    EXPECT_EQ(topScreen(), purchase);

    ASSERT_TRUE(tap("btnOk"));
    m_harness.runUntilIdle();
    EXPECT_EQ(topScreen(), purchase);
    auto attempts = requestsTo(URLConfig::PAY_ORDER);
    ASSERT_EQ(attempts.size(), 2u);
    EXPECT_EQ(sent(attempts[1], "m_orderid"), "NOSUCHORDER");
    EXPECT_EQ(sent(attempts[1], "reverseid"), sent(attempts[0], "reverseid"));
}

TEST_F(MemberFlow, points_without_a_chosen_reason_send_none_not_the_labels_prompt)
{
    VipDetailViewController::open(stack(), "88000002");
    m_harness.runUntilIdle();
    ASSERT_TRUE(tap("btnAddCredit"));
    auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvCreditCount"));
    ASSERT_TRUE(field);
    EXPECT_EQ(InputDriver::type(*field, "123456789012"), 11u);
    InputDriver::clear(*field);
    InputDriver::type(*field, "30");
    slowOnce(URLConfig::RE_SCORE, 2000);
    ASSERT_TRUE(tap("btnOk"));
    tap("btnOk");
    m_harness.advance(3);
    auto grants = requestsTo(URLConfig::RE_SCORE);
    ASSERT_EQ(grants.size(), 1u);
    EXPECT_EQ(sent(grants[0], "reason"), "无");
    EXPECT_EQ(sent(grants[0], "info"), "无");
}

TEST_F(MemberFlow, discount_chooser_keeps_one_way_and_asks_for_one_when_none_is_left)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    ASSERT_TRUE(tap("btnPreferentialWay"));
    auto chooser = std::dynamic_pointer_cast<ChoosePreferentialWayViewController>(topScreen());
    ASSERT_TRUE(chooser);
    auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableViewPreferential"));
    ASSERT_TRUE(table);
    ASSERT_TRUE(chooser->choices()->checkboxAt({ 0, 0 })->checked()) << "the card discount is the default";
    ASSERT_TRUE(InputDriver::selectRow(*table, { 1, 0 }));
    EXPECT_FALSE(chooser->choices()->checkboxAt({ 0, 0 })->checked());
    EXPECT_TRUE(chooser->choices()->checkboxAt({ 1, 0 })->checked());
    ASSERT_TRUE(InputDriver::selectRow(*table, { 1, 0 }));
    EXPECT_FALSE(chooser->currentEntity());
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(m_toasts.back(), "请选择优惠券！");
    EXPECT_EQ(topScreen(), chooser);
    EXPECT_TRUE(VipConsumePricing::isCardDiscount(*purchase->preferentialWayEntity()));
}

TEST_F(MemberFlow, purchase_result_leads_back_to_the_detail_or_to_the_purchase)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    for (const char* status : { "0", "1" }) {
        auto result = std::make_shared<MemberConsumeResultViewController>();
        foundation::Json data = foundation::Json::object();
        data["status"] = status;
        data["orderid"] = "M1";
        result->setData(data);
        stack()->pushViewController(result, false);
        m_harness.runUntilIdle();
        result->back();
        m_harness.runUntilIdle();
        if (std::string(status) == "0")
            EXPECT_EQ(topScreen(), purchase);
        else
            EXPECT_TRUE(std::dynamic_pointer_cast<VipDetailViewController>(topScreen()));
    }
}

} // namespace
