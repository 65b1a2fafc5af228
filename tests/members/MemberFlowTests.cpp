#include "api/Constants.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "cashier/ChoosePayWayViewController.h"
#include "members/ChooseCreditReasonViewController.h"
#include "members/ChoosePreferentialWayViewController.h"
#include "members/GiveCreditViewController.h"
#include "members/MemberBaseInfoCell.h"
#include "members/MemberConsumeResultViewController.h"
#include "members/MemberScreens.h"
#include "members/VipConsumeViewController.h"
#include "members/VipDetailViewController.h"
#include "members/VipSearchViewController.h"
#include "members/VipViewController.h"
#include "model/VipDetailEntity.h"
#include "model/VipListEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "refresh/RefreshHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"
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
        MemberScreens::registerScreens();
        launchSignedIn();
        selectTab(1);
        members = top<VipViewController>();
        ASSERT_TRUE(members);
    }

    // The purchase screen of a demo member: by default member 2 (balance 220,
    // gift 20, card rate 8.5); member 1 needs no password (balance 210, rate 9.5).
    std::shared_ptr<VipConsumeViewController> openPurchase(const std::string& cardnum = "88000002")
    {
        VipDetailViewController::open(stack(), cardnum);
        harness.runUntilIdle();
        EXPECT_TRUE(tap("btnVipConsume"));
        return top<VipConsumeViewController>();
    }
    // Picks the member's coupon at `row` in the discount chooser and confirms.
    void chooseCoupon(int row)
    {
        ASSERT_TRUE(tap("btnPreferentialWay"));
        auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableViewPreferential"));
        ASSERT_TRUE(table && InputDriver::selectRow(*table, { 1, row }));
        ASSERT_TRUE(tap("btnOk"));
    }
    // A finger pushing the list up past its end, far enough for the footer.
    static void pullUp(kit::TableView& table)
    {
        InputDriver::drag(table, -(table.maximumOffsetY() - table.contentOffset().y + 120), 6);
    }
    // The footer asks once its inset has opened, and closes it after the reply.
    void pageDown(kit::TableView& table)
    {
        pullUp(table);
        harness.advance(1);
        harness.advance(1);
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
    // The first load happened at launch; start again from a lost one, then a refused one.
    auto fresh = std::make_shared<VipViewController>();
    for (auto fault : { merchant::FaultKind::Drop, merchant::FaultKind::StatusZero }) {
        failOnce(fault, std::string(URLConfig::GET_CARD_LIST), "稍后再试");
        stack()->pushViewController(fresh, false);
        harness.runUntilIdle();
        EXPECT_TRUE(fresh->vipCardArray().empty());
        stack()->popViewControllerAnimated(false);
        harness.runUntilIdle();
    }
    stack()->pushViewController(fresh, false);
    harness.runUntilIdle();
    EXPECT_EQ(requestsTo(URLConfig::GET_CARD_LIST).size(), 4u) << "the launch's and one per appearance";
    ASSERT_EQ(fresh->tabButtonList().size(), 4u);
    EXPECT_EQ(fresh->tabButtonList()[0]->currentTitle(), "全部");

    slowReplies(URLConfig::GET_MEMBER_LIST, 2000);
    fresh->tabButtonList()[1]->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
    fresh->tabButtonList()[2]->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
    harness.advance(3);
    auto cardOfTab2 = sent(requestsTo(URLConfig::GET_MEMBER_LIST).back(), "cardid");
    ASSERT_FALSE(fresh->vipUserArray().empty());
    for (const auto& member : fresh->vipUserArray())
        EXPECT_EQ(member->cardid(), cardOfTab2);
}

// A member key mistyped in its second field left the members tab blank and
// a pull silent: the card list that does not open under it, and the member
// list the server cannot read, both say the key is likely wrong and ask for
// it again; the key put right loads the tab.
TEST_F(MemberFlow, a_mistyped_member_key_is_said_and_asked_for_again_instead_of_leaving_the_tab_blank)
{
    const std::vector<std::string> keyMessage { std::string(NetUtilSign::keyInvalidMessage) };
    setSetting(KEY_MEMBER_ENCRYPT, "mbr12346");
    auto fresh = std::make_shared<VipViewController>();
    takeToasts();
    stack()->pushViewController(fresh, false);
    settle();
    EXPECT_TRUE(fresh->tabButtonList().empty());
    EXPECT_EQ(takeToasts(), keyMessage);
    ASSERT_TRUE(InputDriver::visibleAlert());
    EXPECT_EQ(InputDriver::visibleAlert()->title(), "设置商家key");
    ASSERT_TRUE(InputDriver::pressAlertButton("取消"));

    auto table = fresh->tableViewCard();
    InputDriver::drag(*table, 150, 6);
    harness.advance(1);
    EXPECT_EQ(takeToasts(), keyMessage);
    ASSERT_TRUE(InputDriver::visibleAlert());
    EXPECT_FALSE(header(*table)->isRefreshing());
    InputDriver::typeIntoAlertField(0, "member-demo-key");
    InputDriver::typeIntoAlertField(1, "mbr12345");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    settle();
    EXPECT_EQ(fresh->tabButtonList().size(), 4u);
    EXPECT_FALSE(fresh->vipUserArray().empty());
}

// After a failed load of a card tab, that tab stood highlighted over the
// whole "全部" list: the rows go with the tab left, so a failure leaves the
// chosen tab empty under the client's message, and a pull loads that tab.
TEST_F(MemberFlow, a_card_tab_whose_load_fails_shows_none_of_the_last_tabs_members)
{
    auto table = members->tableViewCard();
    ASSERT_FALSE(members->vipUserArray().empty());
    takeToasts();
    failOnce(merchant::FaultKind::Http500, std::string(URLConfig::GET_MEMBER_LIST));
    ASSERT_TRUE(tap("tab3"));
    settle();
    EXPECT_TRUE(members->tabButtonList()[3]->isSelected());
    EXPECT_FALSE(members->tabButtonList()[0]->isSelected());
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    EXPECT_EQ(takeToasts(), std::vector<std::string> { std::string(NetUtilSign::serverBusyMessage) });
    InputDriver::drag(*table, 150, 6);
    harness.advance(1);
    ASSERT_FALSE(members->vipUserArray().empty());
    for (const auto& member : members->vipUserArray())
        EXPECT_EQ(member->cardid(), "103");
}

TEST_F(MemberFlow, search_without_a_match_leaves_no_row_of_the_previous_search_to_open)
{
    ASSERT_TRUE(tap("tvSearchContent"));
    auto search = top<VipSearchViewController>();
    ASSERT_TRUE(search);
    auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvSearchContent"));
    InputDriver::type(*field, "王芳");
    search->search();
    harness.runUntilIdle();
    ASSERT_EQ(search->vipArray().size(), 1u);
    InputDriver::clear(*field);
    InputDriver::type(*field, "nobody&cardid=101");
    search->search();
    harness.runUntilIdle();
    EXPECT_TRUE(search->vipArray().empty());
    EXPECT_EQ(search->tableView()->numberOfRowsInSection(0), 0);
    // The keyword arrived whole, not cut at its "&".
    EXPECT_EQ(sent(requestsTo(URLConfig::GET_MEMBER_LIST).back(), "keyword"), "nobody&cardid=101");
}

TEST_F(MemberFlow, detail_actions_wait_for_the_member)
{
    slowReplies(URLConfig::GET_USER_INFO, 2000);
    VipDetailViewController::open(stack(), "88000002");
    harness.runUntilIdle();
    auto consume = std::dynamic_pointer_cast<kit::Button>(find("btnVipConsume"));
    ASSERT_TRUE(consume);
    EXPECT_FALSE(consume->isEnabled());
    harness.advance(3);
    EXPECT_TRUE(consume->isEnabled());
}

TEST_F(MemberFlow, price_reply_for_an_earlier_total_is_dropped)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    slowReplies(URLConfig::MEMC_ORDER, 2000);
    typeTotal("100");
    typeTotal("200");
    harness.advance(3);
    ASSERT_EQ(requestsTo(URLConfig::MEMC_ORDER).size(), 2u);
    EXPECT_DOUBLE_EQ(purchase->pricedAmount().value_or(0), 170.0);
}

TEST_F(MemberFlow, second_tap_while_a_purchase_is_out_sends_nothing_and_the_password_is_not_kept)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    typeTotal("100");
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 50);
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::balanceType, 35);
    slowReplies(URLConfig::PAY_ORDER, 2000);
    ASSERT_TRUE(tap("btnOk"));
    InputDriver::typeIntoAlertField(0, "123456");
    ASSERT_TRUE(InputDriver::pressAlertButton(0));
    EXPECT_EQ(purchase->inputPayPwdAlertView()->textFieldAtIndex(0)->text(), "");
    harness.runUntilIdle();
    ASSERT_EQ(requestsTo(URLConfig::PAY_ORDER).size(), 1u);
    tap("btnOk");
    EXPECT_FALSE(InputDriver::visibleAlert());
    harness.advance(3);
    EXPECT_EQ(requestsTo(URLConfig::PAY_ORDER).size(), 1u);
}

TEST_F(MemberFlow, purchase_whose_reply_is_lost_holds_its_form_to_the_sent_parts_and_is_charged_once)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    typeTotal("100");
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::balanceType, 85);
    // Settled both times, but first the reply times out, then the connection drops.
    slowReplies(URLConfig::PAY_ORDER, 11000);
    ASSERT_TRUE(tap("btnOk"));
    InputDriver::typeIntoAlertField(0, "123456");
    ASSERT_TRUE(InputDriver::pressAlertButton(0));
    ASSERT_EQ(count(URLConfig::PAY_ORDER), 1u);
    // While it is out nothing changes and nobody leaves.
    takeToasts();
    ASSERT_TRUE(tap("btnCashPay"));
    pressBack();
    EXPECT_EQ(top(), purchase);
    EXPECT_EQ(takeToasts(), std::vector<std::string>(2, MemberPaymentViewController::sendingText));
    harness.advance(12);

    // Outcome unknown: every way of changing the split is refused, so the
    // screen cannot show cash while the balance part may have been taken.
    takeToasts();
    ASSERT_TRUE(tap("btnCashPay"));
    ASSERT_TRUE(tap("btnVipMoneyPay"));
    ASSERT_TRUE(tap("btnPreferentialWay"));
    ASSERT_TRUE(tap("tvDescription"));
    EXPECT_EQ(top(), purchase);
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 85);
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::balanceType, 0);
    auto total = std::dynamic_pointer_cast<kit::TextField>(find("tvPayMoney"));
    EXPECT_EQ(InputDriver::type(*total, "5"), 0u);
    EXPECT_FALSE(InputDriver::clear(*total));
    auto toasts = takeToasts();
    EXPECT_EQ(toasts, std::vector<std::string>(toasts.size(), MemberPaymentViewController::heldText));
    EXPECT_GE(toasts.size(), 6u);
    EXPECT_EQ(total->text(), "100");
    EXPECT_EQ(harness.labelText("labelMemberMoney"), "85");
    EXPECT_EQ(harness.labelText("labelCashMoney"), "0");

    // Confirm sends it again as it was, and its balance part asks the password again.
    failOnce(merchant::FaultKind::DropReply, std::string(URLConfig::PAY_ORDER));
    for (int confirm = 0; confirm < 2; ++confirm) {
        ASSERT_TRUE(tap("btnOk"));
        ASSERT_TRUE(InputDriver::visibleAlert()) << confirm;
        InputDriver::typeIntoAlertField(0, "123456");
        ASSERT_TRUE(InputDriver::pressAlertButton(0));
    }
    EXPECT_EQ(count(URLConfig::MEMBER_PAYPWD), 3u);
    auto attempts = requestsTo(URLConfig::PAY_ORDER);
    ASSERT_EQ(attempts.size(), 3u);
    for (const auto& attempt : attempts) {
        EXPECT_EQ(sent(attempt, "reverseid"), sent(attempts[0], "reverseid"));
        EXPECT_EQ(sent(attempt, "bymoney"), "85.00");
        EXPECT_EQ(sent(attempt, "bycash"), "<absent>");
    }
    ASSERT_TRUE(top<MemberConsumeResultViewController>());
    ASSERT_EQ(m_backend->settlements().size(), 1u);
    EXPECT_EQ(m_backend->settlements()[0].balance, 85'000);
    EXPECT_EQ(m_backend->member("88000002")->money, 220'000 - 85'000);

    // Settled and known: the next purchase is a new one.
    top<MemberConsumeResultViewController>()->back();
    harness.runUntilIdle();
    ASSERT_TRUE(tap("btnVipConsume"));
    typeTotal("10");
    top<VipConsumeViewController>()->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 8.5);
    harness.advance(0.01);
    ASSERT_TRUE(tap("btnOk"));
    attempts = requestsTo(URLConfig::PAY_ORDER);
    ASSERT_EQ(attempts.size(), 4u);
    EXPECT_NE(sent(attempts[3], "reverseid"), sent(attempts[0], "reverseid"));
}

TEST_F(MemberFlow, purchase_whose_key_is_refused_leaves_its_form_free_and_the_next_confirm_is_a_new_sale)
{
    // The back end read nothing under the refused key, so nothing can have
    // been charged: the split may change and goes out under a new number.
    auto purchase = openPurchase("88000001");
    ASSERT_TRUE(purchase);
    typeTotal("100");
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 95);
    failOnce(merchant::FaultKind::Http403, std::string(URLConfig::PAY_ORDER));
    ASSERT_TRUE(tap("btnOk"));
    ASSERT_TRUE(InputDriver::pressAlertButton("取消"));
    takeToasts();
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 0);
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::balanceType, 95);
    EXPECT_EQ(takeToasts(), std::vector<std::string> {});
    harness.advance(0.01);
    ASSERT_TRUE(tap("btnOk"));
    auto attempts = requestsTo(URLConfig::PAY_ORDER);
    ASSERT_EQ(attempts.size(), 2u);
    EXPECT_EQ(sent(attempts[1], "bymoney"), "95.00");
    EXPECT_EQ(sent(attempts[1], "bycash"), "<absent>");
    EXPECT_NE(sent(attempts[1], "reverseid"), sent(attempts[0], "reverseid"));
    ASSERT_EQ(m_backend->settlements().size(), 1u);
}

TEST_F(MemberFlow, purchase_left_with_its_outcome_unknown_is_taken_up_by_the_members_next_purchase)
{
    // Member 1 needs no password: 100 at 9.5 is 95, from the balance.
    auto purchase = openPurchase("88000001");
    ASSERT_TRUE(purchase);
    typeTotal("100");
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::balanceType, 95);
    failOnce(merchant::FaultKind::DropReply, std::string(URLConfig::PAY_ORDER));
    ASSERT_TRUE(tap("btnOk"));
    ASSERT_TRUE(purchase->isHeld());

    pressBack();
    auto alert = InputDriver::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert, purchase->leaveAlertView());
    ASSERT_TRUE(InputDriver::pressAlertButton("继续结账"));
    EXPECT_EQ(top(), purchase);
    pressBack();
    ASSERT_TRUE(InputDriver::pressAlertButton("离开"));
    harness.runUntilIdle();
    ASSERT_TRUE(top<VipDetailViewController>());
    purchase.reset();

    // Another screen of the same member shows the held request and sends
    // nothing else.
    ASSERT_TRUE(tap("btnVipConsume"));
    auto again = top<VipConsumeViewController>();
    ASSERT_TRUE(again);
    EXPECT_EQ(std::dynamic_pointer_cast<kit::TextField>(find("tvPayMoney"))->text(), "100.00");
    EXPECT_EQ(harness.labelText("labelMemberMoney"), "95");
    EXPECT_DOUBLE_EQ(again->pricedAmount().value_or(0), 95);
    takeToasts();
    ASSERT_TRUE(tap("btnCashPay"));
    EXPECT_EQ(takeToasts(), std::vector<std::string> { MemberPaymentViewController::heldText });
    harness.advance(0.01);
    ASSERT_TRUE(tap("btnOk"));
    auto attempts = requestsTo(URLConfig::PAY_ORDER);
    ASSERT_EQ(attempts.size(), 2u);
    EXPECT_EQ(sent(attempts[1], "reverseid"), sent(attempts[0], "reverseid"));
    EXPECT_TRUE(top<MemberConsumeResultViewController>());
    EXPECT_EQ(m_backend->settlements().size(), 1u);
    EXPECT_EQ(m_backend->member("88000001")->money, 210'000 - 95'000);
}

TEST_F(MemberFlow, paid_mobile_part_stays_bound_to_its_amount_and_goes_with_every_later_request)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    typeTotal("100");
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 45);
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::mobileType, 40);
    ASSERT_TRUE(tap("btnOk"));
    auto payWay = top<ChoosePayWayViewController>();
    ASSERT_TRUE(payWay);
    EXPECT_DOUBLE_EQ(payWay->money(), 40);
    // As the cashier hands a paid request back: the same dictionary, numbered.
    auto paid = payWay->requestPayParams();
    (*paid)["m_orderid"] = "NOSUCHORDER";
    (*paid)["m_paytype"] = "wxpay";
    purchase->setMobilePayCallbackParams(paid);
    stack()->popToViewController(purchase, false);
    harness.runUntilIdle();
    ASSERT_EQ(count(URLConfig::PAY_ORDER), 1u);
    EXPECT_EQ(top(), purchase) << "refused: the paid order is unknown";

    // Refused, so the form is free again, but not the paid part.
    takeToasts();
    ASSERT_TRUE(tap("btnMobilePay"));
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::mobileType, 0);
    EXPECT_EQ(top(), purchase);
    EXPECT_EQ(
        takeToasts(), std::vector<std::string>(2, MemberPaymentViewController::paidPartText("NOSUCHORDER")));
    EXPECT_DOUBLE_EQ(purchase->parts().mobile, 40);
    EXPECT_EQ(harness.labelText("labelMobileMoney"), "40");
    typeTotal("110");
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 53.5);
    harness.advance(0.01);
    failOnce(merchant::FaultKind::Drop, std::string(URLConfig::PAY_ORDER));
    ASSERT_TRUE(tap("btnOk"));
    // Lost: the new total cannot follow it.
    typeTotal("120");
    harness.advance(0.01);
    ASSERT_TRUE(tap("btnOk"));

    auto attempts = requestsTo(URLConfig::PAY_ORDER);
    ASSERT_EQ(attempts.size(), 3u);
    for (const auto& attempt : attempts) {
        EXPECT_EQ(sent(attempt, "m_orderid"), "NOSUCHORDER");
        EXPECT_EQ(sent(attempt, "m_paytype"), "wxpay");
        EXPECT_EQ(sent(attempt, "m_money"), "40.00");
    }
    EXPECT_NE(sent(attempts[1], "reverseid"), sent(attempts[0], "reverseid"));
    EXPECT_EQ(sent(attempts[2], "reverseid"), sent(attempts[1], "reverseid"));
    EXPECT_EQ(sent(attempts[2], "totalprice"), "110.00");
    EXPECT_FALSE(top<ChoosePayWayViewController>());

    // Refused again: leaving gives the paid part up, and says so first.
    pressBack();
    auto alert = InputDriver::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "移动支付已付款");
    EXPECT_NE(alert->message().find("NOSUCHORDER"), std::string::npos);
    ASSERT_TRUE(InputDriver::pressAlertButton("离开"));
    harness.runUntilIdle();
    ASSERT_TRUE(tap("btnVipConsume"));
    ASSERT_TRUE(top<VipConsumeViewController>());
    EXPECT_FALSE(top<VipConsumeViewController>()->paidMobilePart());
    EXPECT_EQ(harness.labelText("labelMobileMoney"), "0");
}

TEST_F(MemberFlow, points_without_a_chosen_reason_send_none_not_the_labels_prompt)
{
    VipDetailViewController::open(stack(), "88000002");
    harness.runUntilIdle();
    ASSERT_TRUE(tap("btnAddCredit"));
    auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvCreditCount"));
    ASSERT_TRUE(field);
    EXPECT_EQ(InputDriver::type(*field, "123456789012"), 11u);
    InputDriver::clear(*field);
    InputDriver::type(*field, "30");
    slowReplies(URLConfig::RE_SCORE, 2000);
    ASSERT_TRUE(tap("btnOk"));
    tap("btnOk");
    harness.advance(3);
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
    auto chooser = top<ChoosePreferentialWayViewController>();
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
    EXPECT_EQ(top(), chooser);
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
        harness.runUntilIdle();
        result->back();
        harness.runUntilIdle();
        if (std::string(status) == "0")
            EXPECT_EQ(top(), purchase);
        else
            EXPECT_TRUE(top<VipDetailViewController>());
    }
}

TEST_F(MemberFlow, pages_count_on_past_the_last_and_start_over_with_another_tab)
{
    ASSERT_EQ(members->vipUserArray().size(), 10u);
    for (int pull = 0; pull < 3; ++pull) {
        members->getShopMemberListForDownRefresh(false);
        harness.runUntilIdle();
    }
    // Page 4 of 25 members is empty: the rows stay, the counter moves on.
    EXPECT_EQ(members->vipUserArray().size(), 25u);
    EXPECT_EQ(members->page(), 4);
    ASSERT_TRUE(tap("tab1"));
    members->getShopMemberListForDownRefresh(false);
    harness.runUntilIdle();
    auto lists = requestsTo(URLConfig::GET_MEMBER_LIST);
    EXPECT_EQ(sent(lists.back(), "currentpage"), "2");
    EXPECT_EQ(sent(lists.back(), "cardid"), "101");
    EXPECT_EQ(sent(lists.front(), "cardid"), "<absent>") << "全部 names no card";
}

TEST_F(MemberFlow, another_tab_with_fewer_rows_shows_them_and_its_first_row_opens_the_member_shown_first)
{
    auto table = members->tableViewCard();
    pageDown(*table);
    pageDown(*table);
    ASSERT_EQ(members->vipUserArray().size(), 25u);
    // To the last row, short of pulling the footer.
    InputDriver::drag(*table, -(table->maximumOffsetY() - table->contentOffset().y), 4);
    ASSERT_EQ(table->contentOffset().y, 25 * 50 - table->bounds().height());

    ASSERT_TRUE(tap("tab2"));
    auto list = requestsTo(URLConfig::GET_MEMBER_LIST);
    ASSERT_EQ(sent(list.back(), "currentpage"), "1");
    const auto& rows = members->vipUserArray();
    ASSERT_EQ(rows.size(), 8u);
    ASSERT_FALSE(table->visibleCells().empty()) << "the list is scrolled past its rows";
    EXPECT_EQ(table->indexPathsForVisibleRows().front(), (kit::IndexPath { 0, 0 }));
    EXPECT_EQ(table->indexPathsForVisibleRows().back(), (kit::IndexPath { 0, 7 }));

    ASSERT_TRUE(InputDriver::selectRow(*table, { 0, 0 }));
    settle();
    auto detail = top<VipDetailViewController>();
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->cardnum(), rows.front()->cardnum().value_or(""));

    // A tab chosen while the footer still loads the last one's next page:
    // once the footer has closed, the new tab's rows show from the top (the
    // last tab's went when it was left), not its room.
    pressBack();
    slowReplies(URLConfig::GET_MEMBER_LIST, 2000);
    pullUp(*table);
    harness.advance(0.5);
    EXPECT_EQ(sent(requestsTo(URLConfig::GET_MEMBER_LIST).back(), "currentpage"), "2");
    ASSERT_TRUE(tap("tab3"));
    harness.advance(3);
    EXPECT_EQ(table->contentInset().bottom, 0);
    EXPECT_EQ(table->contentOffset().y, 0);
    ASSERT_FALSE(table->indexPathsForVisibleRows().empty());
    EXPECT_EQ(table->indexPathsForVisibleRows().front(), (kit::IndexPath { 0, 0 }));
    EXPECT_EQ(sent(requestsTo(URLConfig::GET_MEMBER_LIST).back(), "cardid"), "103");
}

TEST_F(MemberFlow, search_refresh_before_any_search_and_without_matches_keeps_the_rows)
{
    ASSERT_TRUE(tap("tvSearchContent"));
    auto search = top<VipSearchViewController>();
    ASSERT_TRUE(search);
    search->getMoreOrRefreshData(true);
    harness.runUntilIdle();
    EXPECT_EQ(sent(requestsTo(URLConfig::GET_MEMBER_LIST).back(), "keyword"), "");
    ASSERT_EQ(search->vipArray().size(), 10u);
    failOnce(merchant::FaultKind::StatusZero, std::string(URLConfig::GET_MEMBER_LIST), "没有更多");
    search->getMoreOrRefreshData(true);
    harness.runUntilIdle();
    EXPECT_EQ(search->vipArray().size(), 10u);
    EXPECT_EQ(m_toasts.back(), "没有更多");
}

TEST_F(MemberFlow, detail_shows_no_expiry_as_none_and_leaves_a_missing_last_purchase_blank)
{
    // Member 7: a card that never expires is member 3's; member 7 has no
    // purchase yet and an empty balance.
    for (const char* cardnum : { "88000003", "88000007" }) {
        VipDetailViewController::open(stack(), cardnum);
        harness.runUntilIdle();
        auto detail = top<VipDetailViewController>();
        ASSERT_TRUE(detail);
        auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableView"));
        ASSERT_TRUE(table);
        auto lastPurchase
            = std::dynamic_pointer_cast<MemberBaseInfoCell>(table->cellForRowAtIndexPath({ 0, 5 }));
        ASSERT_TRUE(lastPurchase);
        if (std::string(cardnum) == "88000003") {
            EXPECT_EQ(harness.labelText("labelCardTimeOut"), "无");
            EXPECT_FALSE(lastPurchase->labelValue()->text().empty());
        } else {
            EXPECT_NE(harness.labelText("labelCardTimeOut"), "无");
            EXPECT_EQ(lastPurchase->labelValue()->text(), "");
            EXPECT_EQ(harness.labelText("labelVipMoney"), "0.00");
        }
        stack()->popToRootViewControllerAnimated(false);
        harness.runUntilIdle();
    }
}

TEST_F(MemberFlow, balance_part_may_use_all_the_balance_but_not_a_cent_more)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    typeTotal("300");
    // 220 stored and 20 given: 240.00 to spend on a price of 255.00.
    for (double balance : { 240.01, 240.0 }) {
        purchase->inputPayMoneyCallback(InputPayMoneyDelegate::balanceType, balance);
        purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 255 - balance);
        ASSERT_TRUE(tap("btnOk"));
        InputDriver::typeIntoAlertField(0, "123456");
        ASSERT_TRUE(InputDriver::pressAlertButton(0));
    }
    EXPECT_NE(
        std::find(m_toasts.begin(), m_toasts.end(), "会员余额不足,请选择其它方式支付！"), m_toasts.end());
    auto attempts = requestsTo(URLConfig::PAY_ORDER);
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_EQ(sent(attempts[0], "bymoney"), "240.00");
    EXPECT_EQ(sent(attempts[0], "bycash"), "15.00");
}

TEST_F(MemberFlow, the_total_and_ok_rest_on_a_keyboard_that_covers_the_screen_and_stay_down_without_one)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvPayMoney"));
    auto bar = find("viewTotalMoney");
    auto form = std::dynamic_pointer_cast<kit::ScrollView>(find("scrollView"));
    ASSERT_TRUE(field && bar && form);
    double screen = purchase->view()->bounds().height();
    double barHeight = bar->frame().height();
    for (double keyboard : { kit::Keyboard::defaultHeight, 0.0 }) {
        kit::Keyboard::shared().setHeight(keyboard);
        ASSERT_TRUE(field->becomeFirstResponder());
        harness.runUntilIdle();
        EXPECT_DOUBLE_EQ(bar->frame().maxY(), screen - keyboard) << keyboard;
        EXPECT_DOUBLE_EQ(form->contentOffset().y, keyboard > 0 ? 50 : 0) << keyboard;
        InputDriver::endEditing(*field);
        EXPECT_DOUBLE_EQ(bar->frame().y(), screen - barHeight);
        EXPECT_DOUBLE_EQ(form->contentOffset().y, 0);
    }
}

TEST_F(MemberFlow, refused_price_of_a_new_coupon_never_leaves_the_last_coupons_price)
{
    auto purchase = openPurchase("88000001");
    ASSERT_TRUE(purchase);
    typeTotal("100");
    chooseCoupon(0);
    EXPECT_DOUBLE_EQ(purchase->pricedAmount().value_or(0), 80.0) << "满100减20";
    failOnce(merchant::FaultKind::StatusZero, std::string(URLConfig::CALC_ORDER), "优惠券不可用");
    chooseCoupon(1);
    EXPECT_EQ(m_toasts.back(), "优惠券不可用");
    EXPECT_DOUBLE_EQ(purchase->pricedAmount().value_or(0), 90.0) << "the 9折 coupon's own estimate";
}

TEST_F(MemberFlow, chooser_shows_the_coupon_chosen_before_and_no_coupon_section_for_a_member_without)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    chooseCoupon(0);
    ASSERT_TRUE(tap("btnPreferentialWay"));
    auto chooser = top<ChoosePreferentialWayViewController>();
    ASSERT_TRUE(chooser);
    EXPECT_FALSE(chooser->choices()->checkboxAt({ 0, 0 })->checked());
    EXPECT_TRUE(chooser->choices()->checkboxAt({ 1, 0 })->checked());

    stack()->popToRootViewControllerAnimated(false);
    harness.runUntilIdle();
    openPurchase("88000007");
    ASSERT_TRUE(tap("btnPreferentialWay"));
    auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableViewPreferential"));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->numberOfSections(), 1);
}

TEST_F(MemberFlow, part_editor_proposes_what_is_open_and_an_emptied_part_counts_as_none)
{
    auto purchase = openPurchase();
    ASSERT_TRUE(purchase);
    typeTotal("100");
    purchase->inputPayMoneyCallback(InputPayMoneyDelegate::cashType, 12.5);
    ASSERT_TRUE(tap("btnVipMoneyPay"));
    auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvMoney"));
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), "72.50");
    stack()->popViewControllerAnimated(false);
    harness.runUntilIdle();
    ASSERT_TRUE(tap("btnCashPay"));
    field = std::dynamic_pointer_cast<kit::TextField>(find("tvMoney"));
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(), "12.50");
    InputDriver::clear(*field);
    ASSERT_TRUE(tap("btnOk"));
    EXPECT_EQ(top(), purchase);
    EXPECT_DOUBLE_EQ(purchase->parts().cash, 0);
    EXPECT_EQ(harness.labelText("labelCashMoney"), "0");
}

TEST_F(MemberFlow, points_are_checked_before_sending_and_the_chosen_reason_is_shown_again)
{
    VipDetailViewController::open(stack(), "88000002");
    harness.runUntilIdle();
    ASSERT_TRUE(tap("btnAddCredit"));
    auto field = std::dynamic_pointer_cast<kit::TextField>(find("tvCreditCount"));
    ASSERT_TRUE(field);
    for (const char* typed : { "", "0", "abc" }) {
        InputDriver::clear(*field);
        InputDriver::type(*field, typed);
        ASSERT_TRUE(tap("btnOk"));
        EXPECT_EQ(m_toasts.back(), *typed ? "授予积分必须大于0！" : "请输入授予积分！") << typed;
    }
    // The toasts sit over the chooser's OK until they fade.
    harness.advance(5);
    ASSERT_TRUE(tap("btnOperationReason"));
    auto table = std::dynamic_pointer_cast<kit::TableView>(find("tableView"));
    ASSERT_TRUE(table && InputDriver::selectRow(*table, { 0, 1 }));
    ASSERT_TRUE(tap("btnOk"));
    ASSERT_TRUE(tap("btnOperationReason"));
    auto chooser = top<ChooseCreditReasonViewController>();
    ASSERT_TRUE(chooser);
    EXPECT_TRUE(chooser->choices()->checkboxAt({ 0, 1 })->checked());
    EXPECT_FALSE(chooser->choices()->checkboxAt({ 0, 0 })->checked());
    EXPECT_TRUE(requestsTo(URLConfig::RE_SCORE).empty());
}

} // namespace
