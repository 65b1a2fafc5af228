#include "cashier/Order404ViewController.h"
#include "cashier/OrderDetailViewController.h"
#include "cashier/OrderSearchViewController.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PayResultViewController.h"
#include "cashier/RePayViewController.h"
#include "cashier/RefundViewController.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/Button.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TextField.h"
#include "support/InputDriver.h"
#include "support/ShellFixture.h"

namespace {

using support::InputDriver;

class Orders : public ShellFixture {
protected:
    void SetUp() override { launchSignedIn(); }

    std::shared_ptr<OrderDetailViewController> openDetail(const foundation::Json& order)
    {
        auto detail
            = kit::Registry::shared().instantiate<OrderDetailViewController>("OrderDetailViewController");
        detail->setOrderId(order.value("orderid", ""));
        detail->setOrderType(order.value("payment", ""));
        push(detail);
        return detail;
    }

    // The action buttons shown, left to right.
    std::vector<std::string> actions() const
    {
        std::vector<std::pair<double, std::string>> found;
        for (auto& button : harness.findAll<kit::Button>()) {
            auto container = button->superview();
            if (container && container->name() == "operationContainer" && !button->isHidden())
                found.emplace_back(button->frame().x(), button->currentTitle().value_or(""));
        }
        std::sort(found.begin(), found.end());
        std::vector<std::string> titles;
        for (auto& [x, title] : found)
            titles.push_back(title);
        return titles;
    }

    std::shared_ptr<RefundViewController> openRefund(const foundation::Json& order)
    {
        openDetail(order);
        EXPECT_TRUE(harness.tap("btnRefund"));
        return top<RefundViewController>();
    }

    // Set as it stands: the checks on OK must hold whatever reached the field.
    void typeAmount(RefundViewController& refund, const std::string& amount)
    {
        refund.tvRefundMoney()->setText(amount);
        settle();
    }

    std::string search(const std::string& number)
    {
        auto screen = top<OrderSearchViewController>();
        InputDriver::clear(*screen->tvOrderNum());
        InputDriver::paste(*screen->tvOrderNum(), number);
        EXPECT_TRUE(harness.tap("btnSearch"));
        if (top<OrderDetailViewController>())
            return "detail " + harness.labelText("labelOrderId");
        if (top<Order404ViewController>())
            return "not found";
        return "stayed";
    }
};

TEST_F(Orders, the_actions_shown_follow_the_order_state_and_refused_actions_say_why)
{
    struct Case {
        const char* paystatus;
        const char* isRefund;
        const char* paytype;
        std::vector<std::string> actions;
    };
    const Case cases[] = {
        { "0", "0", "2", { "更新订单", "重新付款", "撤销" } },
        { "0", "0", "1", { "更新订单", "撤销" } },
        { "1", "0", "1", { "更新订单", "退款" } },
        { "1", "2", "1", { "更新订单", "退款" } }, // refunded in part
        { "1", "2", "2", { "更新订单" } }, // refunded whole
        { "2", "0", "1", { "更新订单" } },
        { "0", "1", "2", { "更新订单" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.paystatus) + "/" + c.isRefund + "/" + c.paytype);
        openDetail(seededOrder("alipay", c.paystatus, c.isRefund, c.paytype));
        EXPECT_EQ(actions(), c.actions);
        pressBack();
    }
    // A failed order answers every action with its reason.
    auto detail = openDetail(seededOrder("wxpay", "2", "0"));
    detail->restartPay();
    detail->cancelOrder();
    detail->refund();
    EXPECT_EQ(takeToasts(),
        (std::vector<std::string> {
            "只有待付款订单才能重新支付！", "只有待付款的订单才能撤销！", "该订单还未付款,无法进行退款！" }));
}

TEST_F(Orders, the_detail_shows_no_merchant_key_even_when_one_is_stored_as_the_device_key)
{
    auto& defaults = foundation::UserDefaults::standard();
    defaults.setObject(defaults.stringForKey("KEY_RECEIVABLE").value_or(""), "APP_KEY");
    openDetail(seededOrder("alipay", "1", "0"));
    for (auto& text : harness.visibleTexts())
        EXPECT_EQ(text.find(m_backend->keys().collectionKey), std::string::npos) << text;
    pressBack();
    defaults.setObject(std::string("device-7"), "APP_KEY");
    openDetail(seededOrder("alipay", "1", "0"));
    EXPECT_EQ(harness.labelText("labelKey"), "device-7");
}

TEST_F(Orders, a_cancel_is_sent_once_however_often_it_is_confirmed_and_the_order_reloads)
{
    openDetail(seededOrder("alipay", "0", "0", "1"));
    slowReplies("/PayApi/OfflinePay/cancel", 1000);
    ASSERT_TRUE(harness.tap("btnCancelOrder"));
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    // The overlay lets touches through; the button is blocked instead.
    EXPECT_FALSE(harness.find<kit::Button>("btnCancelOrder")->isEnabled());
    top<OrderDetailViewController>()->cancelOrder();
    top<OrderDetailViewController>()->cancelRequest();
    settle();
    EXPECT_FALSE(InputDriver::visibleAlert());
    harness.advance(1.0);
    EXPECT_EQ(count("/PayApi/OfflinePay/cancel"), 1u);
    EXPECT_EQ(takeToasts(), (std::vector<std::string> { "撤销订单成功！" }));
    EXPECT_EQ(harness.labelText("labelIsRefund"), "已撤销");
    EXPECT_EQ(actions(), (std::vector<std::string> { "更新订单" }));
}

TEST_F(Orders, refund_amounts_are_checked_in_cents)
{
    auto order = seededOrder("alipay", "1", "2", "1");
    ASSERT_EQ(order.value("pri_paymoney", ""), "70.00"); // of 100.00, refunded in part
    auto refund = openRefund(order);
    ASSERT_TRUE(refund);
    for (const char* amount : { "", "0", ".", "0.00", "1.2.3" }) {
        typeAmount(*refund, amount);
        ASSERT_TRUE(harness.tap("btnOk"));
    }
    typeAmount(*refund, "70.01");
    ASSERT_TRUE(harness.tap("btnOk"));
    EXPECT_EQ(takeToasts(),
        (std::vector<std::string> { "请输入退款金额！", "请输入正确的退款金额！", "请输入正确的退款金额！",
            "请输入正确的退款金额！", "请输入正确的退款金额！", "退款金额不可大于实收金额！" }));
    EXPECT_FALSE(InputDriver::visibleAlert());
    typeAmount(*refund, "70");
    ASSERT_TRUE(harness.tap("btnOk"));
    auto alert = InputDriver::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "您确定要退款吗？");
}

TEST_F(Orders, an_owner_refunds_at_once_and_the_order_detail_shows_the_new_state_on_return)
{
    auto order = seededOrder("alipay", "1", "0", "1");
    auto refund = openRefund(order);
    auto detail = stack()->viewControllers()[stack()->viewControllers().size() - 2];
    typeAmount(*refund, order.value("pri_paymoney", ""));
    slowReplies("/PayApi/OfflinePay/refund", 1000);
    ASSERT_TRUE(harness.tap("btnOk"));
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    // A second OK while the refund is out opens nothing and sends nothing.
    EXPECT_FALSE(refund->btnOk()->isEnabled());
    refund->btnClick();
    refund->refundRequest();
    harness.advance(1.5);
    auto refunds = requestsTo("/PayApi/OfflinePay/refund");
    ASSERT_EQ(refunds.size(), 1u);
    EXPECT_EQ(refunds[0].params.value("username", ""), "boss");
    EXPECT_EQ(refunds[0].params.value("password", ""), "e10adc3949ba59abbe56e057f20f883e");
    EXPECT_EQ(refunds[0].params.value("mid", ""), "7");
    EXPECT_EQ(top(), detail);
    EXPECT_EQ(harness.labelText("labelIsRefund"), "已退款");
    EXPECT_EQ(actions(), (std::vector<std::string> { "更新订单" }));
}

TEST_F(Orders, a_refund_whose_reply_is_lost_is_held_until_the_order_shows_what_is_left_and_never_exceeds_it)
{
    struct Case {
        merchant::FaultKind kind;
        bool served;
    };
    for (const Case& c : { Case { merchant::FaultKind::DropReply, true },
             Case { merchant::FaultKind::Slow, true }, Case { merchant::FaultKind::Undecryptable, false } }) {
        SCOPED_TRACE(merchant::FaultSwitches::nameOf(c.kind));
        auto order = seededOrder("alipay", "1", "0", "1");
        double received = std::stod(order.value("pri_paymoney", "0"));
        auto refund = openRefund(order);
        typeAmount(*refund, "3");
        merchant::FaultRule rule { c.kind, "/PayApi/OfflinePay/refund", 1, {}, 11'000 };
        m_backend->addFault(rule);
        ASSERT_TRUE(harness.tap("btnOk"));
        ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
        harness.advance(11.0);
        if (!c.served) {
            // A reply the collection key does not open asks for the key, over the held form.
            ASSERT_TRUE(InputDriver::visibleAlert());
            EXPECT_EQ(InputDriver::visibleAlert()->title(), "设置收款key");
            ASSERT_TRUE(InputDriver::pressAlertButton("取消"));
        }
        std::string left = foundation::formatFixed(received - (c.served ? 3 : 0), 2);
        EXPECT_FALSE(refund->isOutcomeUnknown());
        EXPECT_EQ(refund->tvRefundMoney()->placeholder(), "当前可退" + left + "元");
        EXPECT_EQ(refund->tvRefundMoney()->text(), "");
        EXPECT_EQ(takeToasts().back(), "已获取订单最新状态,当前可退" + left + "元");
        typeAmount(*refund, foundation::formatFixed(std::stod(left) + 0.01, 2));
        ASSERT_TRUE(harness.tap("btnOk"));
        EXPECT_EQ(takeToasts().back(), "退款金额不可大于实收金额！");
        EXPECT_EQ(count("/PayApi/OfflinePay/refund"), 1u);
        pressBack();
        pressBack();
    }
}

TEST_F(Orders, while_a_refund_is_out_back_is_refused_and_a_failed_fetch_of_its_order_is_offered_again)
{
    auto order = seededOrder("wxpay", "1", "0", "1");
    auto refund = openRefund(order);
    typeAmount(*refund, "1");
    slowReplies("/PayApi/OfflinePay/refund", 11'000);
    failOnce(merchant::FaultKind::Http500, "/PayApi/OfflinePay/getOrderDetails");
    ASSERT_TRUE(harness.tap("btnOk"));
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    pressBack();
    EXPECT_EQ(top(), refund);
    harness.advance(11.0);
    ASSERT_TRUE(InputDriver::pressAlertButton("取消"));
    // Held: OK sends nothing and offers the fetch again.
    ASSERT_TRUE(harness.tap("btnOk"));
    // The lost reply says at once that the outcome is unknown, never that
    // the refund failed.
    EXPECT_EQ(takeToasts(),
        (std::vector<std::string> { "正在退款,请稍候...", "退款结果未知,请先获取订单最新状态！",
            "退款结果未知,请先获取订单最新状态！" }));
    ASSERT_TRUE(InputDriver::pressAlertButton("重试"));
    EXPECT_FALSE(refund->isOutcomeUnknown());
    double left = std::stod(order.value("pri_paymoney", "0")) - 1;
    EXPECT_EQ(refund->tvRefundMoney()->placeholder(), "当前可退" + foundation::formatFixed(left, 2) + "元");
    EXPECT_EQ(count("/PayApi/OfflinePay/refund"), 1u);
}

TEST_F(Orders, a_cashier_needs_an_owner_login_and_a_staff_login_is_refused)
{
    signIn(Staff::Cashier);
    auto refund = openRefund(seededOrder("wxpay", "1", "0", "1"));
    typeAmount(*refund, "1");
    ASSERT_TRUE(harness.tap("btnOk"));
    ASSERT_EQ(InputDriver::visibleAlert()->title(), "验证店长权限");
    InputDriver::typeIntoAlertField(0, "cashier");
    InputDriver::typeIntoAlertField(1, "123456");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    EXPECT_EQ(takeToasts().back(), "验证失败,您不是店长,没有此权限！");
    ASSERT_EQ(InputDriver::visibleAlert()->title(), "验证店长权限");
    ASSERT_TRUE(InputDriver::pressAlertButton("取消"));

    ASSERT_TRUE(harness.tap("btnOk"));
    InputDriver::visibleAlert()->textFieldAtIndex(0)->setText("");
    InputDriver::typeIntoAlertField(0, " boss ");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    EXPECT_EQ(takeToasts().back(), "验证成功！");
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    auto refunds = requestsTo("/PayApi/OfflinePay/refund");
    ASSERT_EQ(refunds.size(), 1u);
    EXPECT_EQ(refunds[0].params.value("username", ""), "boss");
    EXPECT_EQ(refunds[0].params.value("refundmoney", ""), "1");
    EXPECT_EQ(takeToasts().back(), "退款成功！");
}

TEST_F(Orders, a_baidu_re_payment_is_shown_and_polled_as_baidu_and_back_returns_to_the_detail)
{
    openDetail(seededOrder("bdpay", "0", "0", "2"));
    ASSERT_TRUE(harness.tap("btnRePay"));
    settleWorkers();
    auto repay = top<RePayViewController>();
    ASSERT_TRUE(repay);
    EXPECT_EQ(harness.labelText("labelPayWay"), "请顾客使用百度钱包");
    auto polls = requestsTo("/PayApi/OfflinePay/getOrderStatus/");
    ASSERT_EQ(polls.size(), 1u);
    EXPECT_EQ(polls[0].params.value("m_paytype", ""), "bdpay");
    harness.advance(4.6);
    ASSERT_TRUE(top<PayResultViewController>());
    EXPECT_EQ(harness.labelText("labelPayResult"), "支付成功");
    pressBack();
    ASSERT_TRUE(top<OrderDetailViewController>());
    EXPECT_EQ(harness.labelText("labelPayStatus"), "支付成功");
}

TEST_F(Orders, a_re_payment_paid_as_the_staff_left_it_still_opens_its_result_over_the_detail)
{
    openDetail(seededOrder("alipay", "0", "0", "2"));
    ASSERT_TRUE(harness.tap("btnRePay"));
    settleWorkers();
    ASSERT_TRUE(top<RePayViewController>());
    // The order could not be cancelled, so the staff may leave it open.
    failOnce(merchant::FaultKind::Http500, "/PayApi/OfflinePay/cancel");
    pressBack();
    ASSERT_TRUE(InputDriver::pressAlertButton("撤销订单"));
    settle();
    slowReplies("/PayApi/OfflinePay/getOrderStatus/", 1000, 0);
    harness.advance(4.5);
    // The third poll, the one that finds the order paid, is on its way.
    ASSERT_EQ(count("/PayApi/OfflinePay/getOrderStatus/"), 3u);
    pressBack();
    ASSERT_TRUE(InputDriver::pressAlertButton("仍要离开"));
    harness.advance(2);
    ASSERT_TRUE(top<PayResultViewController>());
    EXPECT_EQ(harness.labelText("labelPayResult"), "支付成功");
    pressBack();
    ASSERT_TRUE(top<OrderDetailViewController>());
}

TEST_F(Orders, a_re_payment_of_an_order_left_open_follows_it_alone_and_its_payment_opens_one_result)
{
    auto order = seededOrder("alipay", "0", "0", "2");
    openDetail(order);
    ASSERT_TRUE(harness.tap("btnRePay"));
    settleWorkers();
    failOnce(merchant::FaultKind::Http500, "/PayApi/OfflinePay/cancel");
    pressBack();
    ASSERT_TRUE(InputDriver::pressAlertButton("撤销订单"));
    settle();
    pressBack();
    ASSERT_TRUE(InputDriver::pressAlertButton("仍要离开"));
    settle();
    ASSERT_EQ(followedAfterLeaving(), 1u);
    // Collected again from its detail: one poller, one result.
    ASSERT_TRUE(harness.tap("btnRePay"));
    settleWorkers();
    ASSERT_TRUE(top<RePayViewController>());
    EXPECT_EQ(followedAfterLeaving(), 0u);
    ASSERT_TRUE(m_backend->settleOrder(order.value("orderid", ""), true));
    harness.advance(6);
    ASSERT_TRUE(top<PayResultViewController>());
    EXPECT_EQ(stacked<PayResultViewController>(), 1);
}

TEST_F(Orders, search_finds_by_number_refuses_blanks_and_reloads_the_order_it_opened)
{
    push(kit::Registry::shared().instantiate<OrderSearchViewController>("OrderSearchViewController"));
    EXPECT_EQ(search("   "), "stayed");
    EXPECT_EQ(takeToasts(), (std::vector<std::string> { "请输入订单号！" }));
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderDetails"), 0u);
    // Baidu orders are not looked up; a number holding "&" is not sent.
    EXPECT_EQ(search(seededOrder("bdpay", "1", "0").value("orderid", "")), "not found");
    pressBack();
    EXPECT_EQ(search("1&m_paytype=bdpay"), "not found");
    pressBack();
    EXPECT_EQ(count("/PayApi/OfflinePay/getOrderDetails"), 2u);

    auto order = seededOrder("wxpay", "1", "0", "1");
    EXPECT_EQ(search(" " + order.value("orderid", "") + "\n"), "detail " + order.value("orderid", ""));
    // Refunded in full through the detail, it no longer offers a refund.
    ASSERT_TRUE(harness.tap("btnRefund"));
    typeAmount(*top<RefundViewController>(), order.value("pri_paymoney", ""));
    ASSERT_TRUE(harness.tap("btnOk"));
    ASSERT_TRUE(InputDriver::pressAlertButton("确定"));
    ASSERT_TRUE(top<OrderDetailViewController>());
    EXPECT_EQ(harness.labelText("labelIsRefund"), "已退款");
    EXPECT_EQ(actions(), (std::vector<std::string> { "更新订单" }));
}

} // namespace
