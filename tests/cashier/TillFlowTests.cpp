#include "cashier/ChoosePayWayViewController.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/OrderDetailViewController.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QRCodePayViewController.h"
#include "cashier/Till.h"
#include "cashier/UnpaidOrderExit.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Registry.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "server/StandInClient.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"
#include "till/TillLedger.h"

#include <algorithm>

namespace {

using support::InputDriver;

// The till's orders on the collection screens, in the launched app.
class TillFlow : public ShellFixture {
protected:
    void SetUp() override { launchSignedIn(); }

    TillLedger& ledger() { return *app()->tillLedger(); }

    std::shared_ptr<ChoosePayWayViewController> openPayWay(double money = 8.5)
    {
        auto payWay
            = kit::Registry::shared().instantiate<ChoosePayWayViewController>("ChoosePayWayViewController");
        payWay->setMoney(money);
        push(payWay);
        return payWay;
    }

    // A QR order the customer pays only when the test says so.
    std::shared_ptr<QRCodePayViewController> openWaitingQrCode()
    {
        merchant::PaymentOutcomes outcomes;
        outcomes.qrPlan = merchant::OrderPlan::Wait;
        m_backend->setOutcomes(outcomes);
        openPayWay();
        EXPECT_TRUE(harness.tap("btnWxpayCode"));
        return top<QRCodePayViewController>();
    }

    // Back from the QR code whose cancel fails, leaving the order open.
    void leaveWithoutCancel()
    {
        failOnce(merchant::FaultKind::Http500, "/PayApi/OfflinePay/cancel");
        pressBack();
        ASSERT_TRUE(InputDriver::pressAlertButton("撤销订单"));
        settle();
        pressBack();
        ASSERT_TRUE(InputDriver::pressAlertButton("仍要离开"));
        settle();
    }

    std::size_t polls() const { return count("/PayApi/OfflinePay/getOrderStatus/"); }
};

// Left waiting, an order is followed at first every two seconds, then less
// often, and after ten minutes not at all: it is then unknown, said so, and
// the next collection asks about it by its number.
TEST_F(TillFlow, an_order_left_waiting_is_followed_backing_off_for_ten_minutes_then_holds_the_till)
{
    ASSERT_TRUE(openWaitingQrCode());
    leaveWithoutCancel();
    ASSERT_EQ(followedAfterLeaving(), 1u);
    // Without network nothing goes out, and the following goes on once it is back.
    auto hosts = net::NetworkState::serviceHosts();
    net::NetworkState::setServiceHosts({});
    m_network->setDefaultFlags(0);
    auto offline = polls();
    harness.advance(6);
    EXPECT_EQ(polls(), offline);
    m_network->setDefaultFlags(net::kReachabilityFlagsReachable);
    net::NetworkState::setServiceHosts(hosts);
    auto before = polls();
    harness.advance(20);
    auto early = polls() - before;
    EXPECT_GE(early, 9u);
    EXPECT_LE(early, 11u);
    before = polls();
    harness.advance(300);
    // Far fewer than one every two seconds once it has waited a while.
    EXPECT_LT(polls() - before, 60u);
    EXPECT_GT(polls() - before, 15u);
    harness.advance(300);
    auto last = polls();
    harness.advance(120);
    EXPECT_EQ(polls(), last);
    EXPECT_EQ(followedAfterLeaving(), 0u);
    ASSERT_TRUE(ledger().isHeld());

    // Still on the pay-way screen it went back to: it says so, and asks first.
    EXPECT_TRUE(shows(std::string(ChoosePayWayViewController::heldLineText)));
    ASSERT_TRUE(harness.tap("btnScan"));
    ASSERT_TRUE(InputDriver::visibleAlert());
    ASSERT_TRUE(InputDriver::pressAlertButton("已核实未付款"));
    settle();
    EXPECT_FALSE(ledger().isHeld());
    EXPECT_FALSE(shows(std::string(ChoosePayWayViewController::heldLineText)));
}

// A QR code's screen is covered (a payment heard of late opened over it)
// for longer than an order is followed. When it shows its code again, the
// customer may still pay it: it is polled again and holds the till no more.
TEST_F(TillFlow, a_qr_code_covered_longer_than_an_order_is_followed_polls_it_again_when_it_shows)
{
    auto qr = openWaitingQrCode();
    ASSERT_TRUE(qr);
    std::string orderid = qr->orderEntity().value("orderid", "");
    ASSERT_TRUE(qr->isPolling());
    PayResultViewController::pushLate(
        *stack(), { { "orderid", "20200101000001" }, { "paystatus", "1" } }, "1.00");
    settle();
    ASSERT_FALSE(qr->isPolling());
    harness.advance(TillLedger::followingLimit + 30);
    ASSERT_TRUE(ledger().isHeld());
    pressBack();
    settle();
    ASSERT_EQ(top(), qr);
    EXPECT_TRUE(qr->isPolling());
    EXPECT_FALSE(ledger().isHeld());
    auto before = polls();
    harness.advance(5);
    EXPECT_GE(polls(), before + 2);
    ASSERT_TRUE(ledger().order(orderid));
    EXPECT_EQ(ledger().order(orderid)->state, TillLedger::OrderState::Followed);
}

// An order left longer ago than its following lasts (the app was not
// running) is still asked about once before it holds the till.
TEST_F(TillFlow, an_order_left_before_the_app_started_is_asked_about_once_before_it_holds_the_till)
{
    TillLedger::Order order;
    order.orderid = "20200101000001";
    order.wallet = "alipay";
    order.money = "9.00";
    ledger().following(order);
    ledger().left(order.orderid, Till::now() - TillLedger::followingLimit - 60);
    harness.advance(5);
    auto asked = requestsTo("/PayApi/OfflinePay/getOrderStatus/");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].params.value("orderid", ""), order.orderid);
    harness.advance(60);
    EXPECT_EQ(polls(), 1u);
    ASSERT_TRUE(ledger().isHeld());
    EXPECT_EQ(ledger().heldItems()[0].orderid, order.orderid);
}

// Cancelled elsewhere while its code shows: the screen's own polling stops
// and says so, and back then leaves without asking.
TEST_F(TillFlow, a_qr_code_whose_order_was_cancelled_elsewhere_stops_polling_and_leaves_without_asking)
{
    auto qr = openWaitingQrCode();
    ASSERT_TRUE(qr);
    StandInClient client(*m_backend);
    client.call("/PayApi/OfflinePay/cancel",
        { { "orderid", qr->orderEntity().value("orderid", "") }, { "m_paytype", "wxpay" } });
    takeToasts();
    harness.advance(2.1);
    EXPECT_FALSE(qr->isPolling());
    EXPECT_EQ(takeToasts(), std::vector<std::string> { std::string(UnpaidOrderExit::cancelledOrderText) });
    auto polled = polls();
    harness.advance(10);
    EXPECT_EQ(polls(), polled);
    pressBack();
    EXPECT_EQ(InputDriver::visibleAlert(), nullptr);
    EXPECT_TRUE(top<ChoosePayWayViewController>());
    EXPECT_EQ(followedAfterLeaving(), 0u);
}

// Cancelled on the way out, an order is done with: nothing follows it, and
// nothing about it or its code stays in the ledger.
TEST_F(TillFlow, an_order_cancelled_on_the_way_out_leaves_nothing_followed_or_held)
{
    auto payWay = openPayWay(3);
    payWay->scanCallback("2800000017");
    settle();
    std::string orderid = payWay->orderData().value("orderid", "");
    ASSERT_EQ(ledger().codeState("2800000017"), TillLedger::CodeState::Out);
    pressBack();
    ASSERT_TRUE(InputDriver::pressAlertButton("撤销订单"));
    settle();
    EXPECT_EQ(top(), stack()->viewControllers().front());
    EXPECT_EQ(ledger().order(orderid), nullptr);
    EXPECT_EQ(ledger().codeState("2800000017"), TillLedger::CodeState::Free);
    auto polled = polls();
    harness.advance(30);
    EXPECT_EQ(polls(), polled);
    EXPECT_FALSE(ledger().isHeld());
}

// The first cancel's reply is lost (the back end cancelled it): the detail
// says so and fetches the order at once, which shows it cancelled.
TEST_F(TillFlow, the_order_detail_shows_the_cancelled_state_after_a_cancel_whose_reply_was_lost)
{
    auto order = seededOrder("alipay", "0", "0");
    auto detail = kit::Registry::shared().instantiate<OrderDetailViewController>("OrderDetailViewController");
    detail->setOrderId(order.value("orderid", ""));
    detail->setOrderType("alipay");
    push(detail);
    failOnce(merchant::FaultKind::DropReply, "/PayApi/OfflinePay/cancel");
    takeToasts();
    ASSERT_TRUE(harness.tap("btnCancelOrder"));
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    settle();
    EXPECT_EQ(
        takeToasts(), std::vector<std::string> { std::string(OrderDetailViewController::cancelLostText) });
    EXPECT_EQ(harness.labelText("labelIsRefund"), "已撤销");
    EXPECT_FALSE(find("btnCancelOrder"));
    EXPECT_EQ(count("/PayApi/OfflinePay/cancel"), 1u);
    EXPECT_EQ(ledger().cancelState(order.value("orderid", "")), std::nullopt);
}

// A member's form that goes without its back (a stack reset) while a part
// paid for its sale is bound: the money is a payment of its own, and its
// result opens.
TEST_F(TillFlow, a_paid_part_whose_form_went_without_giving_it_up_opens_its_result)
{
    class Form : public BaseViewController, public MobilePayCallbackReceiver {
    public:
        explicit Form(TillLedger::Id sale)
            : m_sale(sale)
        {
        }
        ~Form() override
        {
            if (auto app = AppDelegate::shared())
                app->tillLedger()->saleLeft(m_sale, false);
        }
        // As a member's form: never recorded as the current screen, which would keep it.
        void viewWillAppear(bool animated) override { kit::ViewController::viewWillAppear(animated); }
        int mobilePayConsumeType() const override { return consumeTypePurchase; }
        TillLedger::Id tillSale() const override { return m_sale; }
        void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters>) override { }
        void mobilePartBoundLate() override { }

    private:
        TillLedger::Id m_sale;
    };
    auto sale = ledger().saleFor(TillLedger::SaleKind::Purchase, "2");
    auto form = std::make_shared<Form>(sale);
    push(form);
    ASSERT_TRUE(ledger().bindPaidPart(sale, { "P1", std::string("wxpay"), "12.00" }));
    auto root = stack()->viewControllers().front();
    form.reset();
    stack()->setViewControllers({ root }, false);
    settle();
    auto result = top<PayResultViewController>();
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->isLate());
    EXPECT_EQ(harness.labelText("labelOrderId"), "P1");
    EXPECT_EQ(harness.labelText("labelOrderMoney"), "12.00");
    EXPECT_TRUE(ledger().ordersIn(TillLedger::OrderState::Paid).empty());
    pressBack();
    EXPECT_EQ(top(), root);
}

} // namespace
