#include "cashier/ChoosePayWayViewController.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/OrderDetailViewController.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QRCodePayViewController.h"
#include "cashier/ScanViewController.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Control.h"
#include "platform/kit/Label.h"
#include "platform/kit/Registry.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"

namespace {

// A member screen waiting for its mobile part to be paid: the form of one
// sale of the till.
class MemberScreen : public BaseViewController, public MobilePayCallbackReceiver {
public:
    MemberScreen(int type, TillLedger::Id sale)
        : m_type(type)
        , m_sale(sale)
    {
    }
    int mobilePayConsumeType() const override { return m_type; }
    TillLedger::Id tillSale() const override { return m_sale; }
    void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters> params) override
    {
        received = std::move(params);
    }
    void mobilePartBoundLate() override { ++boundLate; }
    std::shared_ptr<NetUtilSign::Parameters> received;
    int boundLate = 0;

private:
    int m_type;
    TillLedger::Id m_sale;
};

class Payment : public ShellFixture {
protected:
    void SetUp() override { launchSignedIn(); }

    std::shared_ptr<ChoosePayWayViewController> openPayWay(double money = 12, int consumeType = 0,
        std::shared_ptr<NetUtilSign::Parameters> request = nullptr, TillLedger::Id sale = 0)
    {
        auto payWay
            = kit::Registry::shared().instantiate<ChoosePayWayViewController>("ChoosePayWayViewController");
        payWay->setMoney(money);
        payWay->setConsumeType(consumeType);
        payWay->setRequestPayParams(std::move(request));
        payWay->setTillSale(sale);
        push(payWay);
        return payWay;
    }

    // The code as the scanner hands it back.
    void scan(ChoosePayWayViewController& payWay, const std::string& code)
    {
        payWay.scanCallback(code);
        settle();
    }

    std::string polledOrder(std::size_t index) const
    {
        auto polls = requestsTo("/PayApi/OfflinePay/getOrderStatus/");
        return index < polls.size() ? polls[index].params.value("orderid", "") : "";
    }

    // The form of a new member sale of `type`.
    std::shared_ptr<MemberScreen> memberScreen(int type)
    {
        auto kind = type == MobilePayCallbackReceiver::consumeTypeRecharge ? TillLedger::SaleKind::Recharge
                                                                           : TillLedger::SaleKind::Purchase;
        return std::make_shared<MemberScreen>(type, app()->tillLedger()->saleFor(kind, "1"));
    }

    std::string resultText() const
    {
        auto result = top<PayResultViewController>();
        return result ? harness.labelText("labelPayResult") : "<no result>";
    }
};

TEST_F(Payment, the_code_prefix_picks_the_wallet_a_switched_off_wallet_sends_nothing_and_a_repeat_is_ignored)
{
    foundation::UserDefaults::standard().setObject(std::string("0"), "IS_ENABLE_BD_PAY");
    auto payWay = openPayWay();
    for (const char* code : { "1300000001", "2800000001", "1400000001", "" })
        scan(*payWay, code);
    scan(*payWay, "3100000001");
    EXPECT_EQ(takeToasts().back(), "您还没有开通百度钱包支付！");
    // The same code twice in a row goes out once; another code in between lets it go again.
    scan(*payWay, "2800000001");
    scan(*payWay, "2800000001");
    scan(*payWay, "2800000002");
    scan(*payWay, "2800000001");

    std::vector<std::string> wallets;
    for (const auto& request : requestsTo("/PayApi/OfflinePay/barcode"))
        wallets.push_back(
            request.params.value("m_paytype", "") + ":" + request.params.value("dynamic_id", ""));
    EXPECT_EQ(wallets,
        (std::vector<std::string> { "wxpay:1300000001", "alipay:2800000001", "alipay:1400000001",
            "alipay:", "alipay:2800000001", "alipay:2800000002", "alipay:2800000001" }));
    EXPECT_EQ(requestsTo("/PayApi/OfflinePay/barcode").front().params.value("money", ""), "12.00");
}

TEST_F(Payment, a_waiting_order_is_polled_at_once_then_every_two_seconds_until_paid_and_never_after)
{
    auto payWay = openPayWay();
    scan(*payWay, "2800000008");
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 1u);
    EXPECT_TRUE(payWay->isPolling());
    EXPECT_TRUE(shows("等待用户确认..."));
    harness.advance(2.0);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 2u);
    EXPECT_EQ(resultText(), "支付成功");
    EXPECT_EQ(harness.labelText("labelOrderMoney"), "12.00");
    harness.advance(10);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 2u);
    EXPECT_FALSE(payWay->isPolling());
    EXPECT_FALSE(shows("等待用户确认..."));
}

TEST_F(Payment, a_reply_without_an_order_or_with_a_failed_payment_does_not_poll)
{
    auto payWay = openPayWay();
    scan(*payWay, "2800000006");
    EXPECT_EQ(takeToasts().back(), "支付码无效");
    scan(*payWay, "2800000009");
    EXPECT_EQ(takeToasts().back(), "用户余额不足");
    failOnce(merchant::FaultKind::StatusZero, "/PayApi/OfflinePay/barcode", "系统繁忙");
    scan(*payWay, "2800000008");
    harness.advance(6);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 0u);
    EXPECT_EQ(top(), payWay);
}

TEST_F(
    Payment, a_second_barcode_reply_replaces_the_screens_polling_and_the_first_order_is_followed_by_the_app)
{
    auto payWay = openPayWay();
    scan(*payWay, "2800000007");
    scan(*payWay, "2800000017");
    auto first = polledOrder(0);
    auto second = polledOrder(1);
    EXPECT_NE(first, second);
    EXPECT_EQ(followedAfterLeaving(), 1u);
    harness.advance(2.0);
    harness.advance(2.0);
    // The screen polls the newer order once a tick; the first is the app's.
    auto polls = requestsTo("/PayApi/OfflinePay/getOrderStatus/");
    auto about = [&](const std::string& orderid) {
        return std::count_if(polls.begin(), polls.end(),
            [&](const auto& poll) { return poll.params.value("orderid", "") == orderid; });
    };
    EXPECT_EQ(about(second), 3);
    EXPECT_GE(about(first), 2);
    // The first order being paid opens a result of its own over the screen,
    // not the second's, and back returns to the second still followed.
    m_backend->settleOrder(first, true);
    harness.advance(2.0);
    ASSERT_EQ(resultText(), "支付成功");
    EXPECT_TRUE(top<PayResultViewController>()->isLate());
    EXPECT_EQ(harness.labelText("labelOrderId"), first);
    pressBack();
    EXPECT_EQ(top(), payWay);
    EXPECT_TRUE(payWay->isPolling());
    m_backend->settleOrder(second, false);
    harness.advance(2.0);
    EXPECT_EQ(resultText(), "支付失败");
}

TEST_F(Payment, a_poll_that_says_paid_after_leaving_opens_its_result_once_and_one_that_says_failed_none)
{
    // The cashier leaves a waiting order that could not be cancelled while
    // the poll that settles it is on its way.
    auto leaveAnywayDuringSecondPoll = [this](const char* code) {
        auto payWay = openPayWay();
        failOnce(merchant::FaultKind::Http500, "/PayApi/OfflinePay/cancel");
        slowReplies("/PayApi/OfflinePay/getOrderStatus/", 1000, 0);
        scan(*payWay, code);
        pressBack();
        ASSERT_TRUE(support::InputDriver::pressAlertButton("撤销订单"));
        harness.advance(2.5);
        ASSERT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 2u);
        pressBack();
        ASSERT_TRUE(support::InputDriver::pressAlertButton("仍要离开"));
        settle();
        EXPECT_EQ(top(), stack()->viewControllers().front());
    };
    ASSERT_NO_FATAL_FAILURE(leaveAnywayDuringSecondPoll("2800000008"));
    harness.advance(10);
    // The customer paid: the result opens where the cashier is now, once,
    // and polling stays ended.
    EXPECT_EQ(resultText(), "支付成功");
    EXPECT_EQ(stack()->viewControllers().size(), 2u);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 2u);
    EXPECT_FALSE(shows("等待用户确认..."));
    EXPECT_EQ(followedAfterLeaving(), 0u);

    // A failed order took nothing: its late answer opens nothing.
    pressBack();
    m_backend->clearLog();
    ASSERT_NO_FATAL_FAILURE(leaveAnywayDuringSecondPoll("2800000005"));
    harness.advance(10);
    EXPECT_EQ(top(), stack()->viewControllers().front());
    EXPECT_EQ(followedAfterLeaving(), 0u);
}

TEST_F(Payment, the_scan_button_is_blocked_while_a_barcode_request_is_out_even_when_it_fails)
{
    auto payWay = openPayWay();
    slowReplies("/PayApi/OfflinePay/barcode", 1000);
    scan(*payWay, "2800000009");
    EXPECT_FALSE(payWay->btnScan()->isEnabled());
    payWay->btnScan()->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
    settle();
    EXPECT_EQ(top(), payWay);
    harness.advance(1.0);
    EXPECT_TRUE(payWay->btnScan()->isEnabled());

    // A server error never reaches the screen, yet the button comes back;
    // whether the money was taken is not known, and that is all it says.
    failOnce(merchant::FaultKind::Http500, "/PayApi/OfflinePay/barcode");
    takeToasts();
    scan(*payWay, "2800000001");
    harness.advance(1.0);
    EXPECT_EQ(takeToasts(), (std::vector<std::string> { "支付结果未知,请在账单中核实该笔订单！" }));
    EXPECT_TRUE(payWay->btnScan()->isEnabled());
    // That payment may have been taken: a code still coming waits on the
    // staff, and so does the scanner, until they say they checked it.
    EXPECT_TRUE(payWay->isTillHeld());
    scan(*payWay, "2800000003");
    ASSERT_TRUE(support::InputDriver::pressAlertButton("取消"));
    EXPECT_EQ(count("/PayApi/OfflinePay/barcode"), 2u);
    ASSERT_TRUE(harness.tap("btnScan"));
    EXPECT_EQ(top(), payWay);
    ASSERT_TRUE(support::InputDriver::pressAlertButton("已核实未付款"));
    settle();
    EXPECT_TRUE(top<ScanViewController>());
}

TEST_F(
    Payment, while_a_barcode_request_is_out_nothing_else_pays_or_leaves_and_its_paid_reply_opens_the_result)
{
    auto payWay = openPayWay(10);
    slowReplies("/PayApi/OfflinePay/barcode", 3000);
    scan(*payWay, "2800000001");
    pressBack();
    auto tile = std::dynamic_pointer_cast<kit::Control>(find("btnWxpayCode"));
    EXPECT_FALSE(tile->isEnabled());
    payWay->btnClick(*tile); // a touch already on its way
    // Only a test can put a screen over it now; there the same code is refused.
    auto over = kit::Registry::shared().instantiate<ChoosePayWayViewController>("ChoosePayWayViewController");
    push(over);
    scan(*over, "2800000001");
    EXPECT_EQ(takeToasts(),
        (std::vector<std::string> {
            "正在支付,请稍候...", "正在支付,请稍候...", "该付款码正在支付中,请稍候..." }));
    harness.advance(3.5);
    EXPECT_EQ(resultText(), "支付成功");
    EXPECT_EQ(count("/PayApi/OfflinePay/barcode"), 1u);
    EXPECT_EQ(count("/PayApi/OfflinePay/qrcode/"), 0u);
}

TEST_F(Payment,
    a_code_whose_reply_was_lost_is_refused_on_a_new_pay_way_screen_and_one_never_sent_or_refused_for_its_key_is_not)
{
    // The back end takes the money, and the reply is lost.
    failOnce(merchant::FaultKind::DropReply, "/PayApi/OfflinePay/barcode");
    scan(*openPayWay(10), "2800000001");
    pressBack();
    scan(*openPayWay(10), "2800000001");
    EXPECT_EQ(takeToasts(),
        (std::vector<std::string> {
            "支付结果未知,请在账单中核实该笔订单！", "该付款码支付结果未知,请在账单中核实！" }));
    EXPECT_EQ(count("/PayApi/OfflinePay/barcode"), 1u);
    // The hold is the till's: a new pay-way screen asks before another code goes.
    EXPECT_TRUE(top<ChoosePayWayViewController>()->isTillHeld());
    scan(*top<ChoosePayWayViewController>(), "2800000002");
    EXPECT_EQ(count("/PayApi/OfflinePay/barcode"), 1u);
    ASSERT_TRUE(support::InputDriver::pressAlertButton("已核实未付款"));
    settle();
    EXPECT_EQ(resultText(), "支付成功");
    pressBack();

    // Not sent at all (no network): nothing is held.
    auto hosts = net::NetworkState::serviceHosts();
    net::NetworkState::setServiceHosts({});
    m_network->setDefaultFlags(0);
    scan(*openPayWay(10), "2800000004");
    m_network->setDefaultFlags(net::kReachabilityFlagsReachable);
    net::NetworkState::setServiceHosts(hosts);
    pressBack();
    scan(*openPayWay(10), "2800000004");
    EXPECT_EQ(resultText(), "支付成功");

    // A refused key: the back end read nothing, so neither the code nor
    // the sale waits on the takings being checked.
    pressBack();
    failOnce(merchant::FaultKind::Http403, "/PayApi/OfflinePay/barcode");
    auto refused = openPayWay(10);
    scan(*refused, "2800000003");
    ASSERT_TRUE(support::InputDriver::pressAlertButton("取消"));
    EXPECT_FALSE(refused->isTillHeld());
    pressBack();
    takeToasts();
    scan(*openPayWay(10), "2800000003");
    EXPECT_EQ(takeToasts(), std::vector<std::string> {});
    EXPECT_EQ(resultText(), "支付成功");
}

TEST_F(
    Payment, a_waiting_barcode_order_is_followed_when_its_screen_comes_back_or_on_a_new_one_when_it_is_gone)
{
    slowReplies("/PayApi/OfflinePay/barcode", 1000, 2);
    scan(*openPayWay(10), "2800000008");
    push(kit::Registry::shared().instantiate<ChoosePayWayViewController>("ChoosePayWayViewController"));
    harness.advance(1.5);
    // No poll behind another screen: the order waits for its pay-way screen.
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 0u);
    pressBack();
    harness.advance(2.0);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 2u);
    EXPECT_EQ(resultText(), "支付成功");
    pressBack();

    auto gone = openPayWay(7);
    scan(*gone, "2800000018");
    stack()->setViewControllers({ stack()->viewControllers().front() }, false);
    harness.advance(1.5);
    auto reopened = top<ChoosePayWayViewController>();
    ASSERT_TRUE(reopened && reopened != gone);
    harness.advance(2.0);
    EXPECT_EQ(resultText(), "支付成功");
    EXPECT_EQ(harness.labelText("labelOrderMoney"), "7.00");
}

TEST_F(Payment, a_code_that_would_add_form_parameters_is_refused_unsent)
{
    auto payWay = openPayWay();
    scan(*payWay, "28000001&m_paytype=wxpay");
    scan(*payWay, "2800=1");
    EXPECT_EQ(count("/PayApi/OfflinePay/barcode"), 0u);
    EXPECT_EQ(takeToasts(),
        (std::vector<std::string> { "无效的付款码,请重新扫描！", "无效的付款码,请重新扫描！" }));
}

TEST_F(Payment, a_qr_order_is_polled_until_paid_and_a_broken_or_empty_picture_starts_no_polling)
{
    auto payWay = openPayWay(8.5);
    ASSERT_TRUE(harness.tap("btnWxpayCode"));
    auto qr = top<QRCodePayViewController>();
    ASSERT_TRUE(qr);
    EXPECT_EQ(harness.labelText("labelPayWay"), "请顾客使用微信钱包");
    auto created = requestsTo("/PayApi/OfflinePay/qrcode/");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].params.value("money", ""), "8.50");
    EXPECT_EQ(created[0].params.value("mid", ""), "7");
    harness.advance(4.0);
    harness.advance(0.6);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 3u);
    EXPECT_EQ(resultText(), "支付成功");
    pressBack();
    EXPECT_EQ(top(), stack()->viewControllers().front());
    EXPECT_TRUE(app()->isPaySuccessBack());

    m_backend->clearLog();
    openPayWay();
    failOnce(merchant::FaultKind::EmptyImage, "/qr/*");
    ASSERT_TRUE(harness.tap("btnAlipayCode"));
    pressBack();
    serveBrokenImages();
    ASSERT_TRUE(harness.tap("btnBdpayCode")) << harness.dumpTree();
    harness.advance(6);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 0u);
    auto toasts = takeToasts();
    EXPECT_EQ(std::count(toasts.begin(), toasts.end(), "生成支付码失败,请重试！"), 2);
}

TEST_F(Payment, paid_member_parts_go_back_to_their_member_screen_and_failed_ones_to_the_pay_way)
{
    auto purchase = memberScreen(MobilePayCallbackReceiver::consumeTypePurchase);
    push(purchase);
    auto request = std::make_shared<NetUtilSign::Parameters>();
    (*request)["cardid"] = "88000001";
    auto payWay
        = openPayWay(5, MobilePayCallbackReceiver::consumeTypePurchase, request, purchase->tillSale());
    scan(*payWay, "2800000001");
    EXPECT_EQ(top(), purchase);
    ASSERT_EQ(purchase->received, request);
    EXPECT_EQ(request->count("m_paytype"), 0u);
    EXPECT_FALSE(request->at("m_orderid").empty());

    // By QR code the wallet goes along; a failed payment shows the result, whose
    // back returns to this pay-way screen, not to the member screens below.
    auto recharge = memberScreen(MobilePayCallbackReceiver::consumeTypeRecharge);
    push(recharge);
    auto rechargeRequest = std::make_shared<NetUtilSign::Parameters>();
    auto rechargePayWay = openPayWay(
        100, MobilePayCallbackReceiver::consumeTypeRecharge, rechargeRequest, recharge->tillSale());
    scan(*rechargePayWay, "2800000005");
    harness.advance(2.0);
    EXPECT_EQ(resultText(), "支付失败");
    pressBack();
    EXPECT_EQ(top(), rechargePayWay);
    ASSERT_TRUE(harness.tap("btnBdpayCode"));
    harness.advance(4.6);
    EXPECT_EQ(top(), recharge);
    EXPECT_EQ(rechargeRequest->at("m_paytype"), "bdpay");
    EXPECT_FALSE(rechargeRequest->at("m_orderid").empty());

    // With no such screen in the stack the result shows that the money was
    // taken, rather than leaving the way to take it again.
    auto lonePayWay = openPayWay(
        3, MobilePayCallbackReceiver::consumeTypePurchase, std::make_shared<NetUtilSign::Parameters>());
    stack()->setViewControllers({ stack()->viewControllers().front(), lonePayWay }, false);
    settle();
    scan(*lonePayWay, "2800000001");
    EXPECT_EQ(resultText(), "支付成功");
}

// An order left open could be paid after the sale was collected another
// way. These follow one QR order or waiting barcode order to each way off.
class OpenOrder : public Payment {
protected:
    // A QR order that the customer pays only when the test says so.
    std::shared_ptr<QRCodePayViewController> openWaitingQrCode()
    {
        merchant::PaymentOutcomes outcomes;
        outcomes.qrPlan = merchant::OrderPlan::Wait;
        m_backend->setOutcomes(outcomes);
        openPayWay(8.5);
        EXPECT_TRUE(harness.tap("btnWxpayCode"));
        return top<QRCodePayViewController>();
    }

    std::string alertTitle() const
    {
        auto alert = support::InputDriver::visibleAlert();
        return alert ? alert->title() + "/" + std::to_string(alert->numberOfButtons()) : "<none>";
    }

    // Back, answered on the alert by the button titled so.
    void backAndAnswer(const std::string& button)
    {
        pressBack();
        ASSERT_TRUE(support::InputDriver::pressAlertButton(button)) << alertTitle();
        settle();
    }
};

TEST_F(OpenOrder, a_cancel_refused_because_the_customer_just_paid_opens_one_result_and_nothing_else)
{
    auto payWay = openPayWay(6);
    scan(*payWay, "2800000017");
    // The scanner would collect the sale again: it asks too, with no way to
    // leave the order open.
    ASSERT_TRUE(harness.tap("btnScan"));
    EXPECT_EQ(alertTitle(), "订单尚未支付/2");
    ASSERT_TRUE(support::InputDriver::pressAlertButton("继续等待"));
    settle();
    EXPECT_EQ(top(), payWay);

    ASSERT_TRUE(m_backend->settleOrder(payWay->orderData().value("orderid", ""), true));
    backAndAnswer("撤销订单");
    EXPECT_EQ(resultText(), "支付成功");
    harness.advance(10);
    EXPECT_TRUE(top<PayResultViewController>());
    EXPECT_EQ(stacked<PayResultViewController>(), 1);
    EXPECT_EQ(support::InputDriver::visibleAlert(), nullptr);
    EXPECT_EQ(count("/PayApi/OfflinePay/barcode"), 1u);
}

TEST_F(OpenOrder, a_refused_cancel_keeps_polling_and_an_order_left_open_is_followed_until_cancelled)
{
    auto qr = openWaitingQrCode();
    ASSERT_TRUE(qr);
    failOnce(merchant::FaultKind::StatusZero, "/PayApi/OfflinePay/cancel", "撤销失败,请稍后再试");
    backAndAnswer("撤销订单");
    EXPECT_EQ(takeToasts().back(), "撤销失败,请稍后再试");
    EXPECT_EQ(top(), qr);
    EXPECT_TRUE(qr->isPolling());
    backAndAnswer("仍要离开");
    EXPECT_TRUE(top<ChoosePayWayViewController>());
    ASSERT_EQ(followedAfterLeaving(), 1u);
    // Cancelled from its detail, nothing can pay it: the following ends.
    auto detail = kit::Registry::shared().instantiate<OrderDetailViewController>("OrderDetailViewController");
    detail->setOrderId(qr->orderEntity().value("orderid", ""));
    detail->setOrderType("wxpay");
    push(detail);
    ASSERT_TRUE(harness.tap("btnCancelOrder"));
    ASSERT_TRUE(support::InputDriver::pressAlertButton("确定"));
    harness.advance(2);
    EXPECT_EQ(followedAfterLeaving(), 0u);
}

TEST_F(OpenOrder, an_order_followed_while_another_screen_covers_its_own_is_taken_back_and_opens_one_result)
{
    auto qr = openWaitingQrCode();
    ASSERT_TRUE(qr);
    push(memberScreen(MobilePayCallbackReceiver::consumeTypePurchase));
    EXPECT_EQ(followedAfterLeaving(), 1u);
    auto polls = count("/PayApi/OfflinePay/getOrderStatus/");
    harness.advance(4);
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), polls + 2);
    stack()->popViewControllerAnimated(true);
    settle();
    EXPECT_EQ(top(), qr);
    EXPECT_TRUE(qr->isPolling());
    EXPECT_EQ(followedAfterLeaving(), 0u);
    m_backend->settleOrder(qr->orderEntity().value("orderid", ""), true);
    harness.advance(2.6);
    EXPECT_EQ(resultText(), "支付成功");
    EXPECT_EQ(stacked<PayResultViewController>(), 1);
}

} // namespace

namespace {

TEST_F(Payment, a_result_whose_way_back_has_no_screen_in_the_stack_still_leaves)
{
    auto below = memberScreen(MobilePayCallbackReceiver::consumeTypePurchase);
    push(below);
    auto result = kit::Registry::shared().instantiate<PayResultViewController>("PayResultViewController");
    result->setData({ { "paystatus", "1" }, { "orderid", "1" }, { "paytime", "1796620000.9" } });
    result->setIsRestartPay(true);
    push(result);
    // Whole seconds of the time: the fraction is cut.
    EXPECT_EQ(harness.labelText("labelPayTime").substr(17), "40");
    pressBack();
    EXPECT_EQ(top(), below);
}

} // namespace
