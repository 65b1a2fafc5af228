// The till's money through the `cashier` program itself: each way money
// could move twice across screens and restarts, driven with the stand-in's
// fault, outcome and order hooks, and judged by what the stand-in recorded
// (its orders, request log and settlements): no sale charged twice, no
// refund paid twice, no paid order without a result or a sale.

#include "main/DemoProgram.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Json = nlohmann::json;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// True when lines starting with `prefixes` occur in this order (others may come between).
bool inOrderPrefixes(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes)
{
    std::size_t next = 0;
    for (const auto& line : lines) {
        if (next < prefixes.size() && line.starts_with(prefixes[next]))
            ++next;
    }
    return next == prefixes.size();
}

class TillProgram : public DemoProgramTest {
protected:
    static Json hookReply(const DemoProgram& program, const std::string& name, const std::string& body = "{}")
    {
        auto json = Json::parse(program.ask(name, body).value_or("{}"), nullptr, false);
        return json.is_discarded() ? Json::object() : json;
    }
    static std::vector<Json> orders(const DemoProgram& program)
    {
        return hookReply(program, "orders").value("orders", std::vector<Json> {});
    }
    static std::vector<Json> settlements(const DemoProgram& program)
    {
        return hookReply(program, "settlements").value("settlements", std::vector<Json> {});
    }
    // The parameters of every request the stand-in read on `path`.
    static std::vector<Json> received(const DemoProgram& program, const std::string& path)
    {
        std::vector<Json> found;
        for (const auto& entry : hookReply(program, "log").value("log", std::vector<Json> {})) {
            if (entry.value("path", "") == path)
                found.push_back(entry.value("params", Json::object()));
        }
        return found;
    }
    // The orders made in this test (the seed's come first, numbered up to 35).
    static std::vector<Json> newOrders(const DemoProgram& program)
    {
        auto all = orders(program);
        std::vector<Json> made;
        for (const auto& order : all) {
            auto id = order.value("orderid", "");
            if (id.size() >= 6 && std::stoi(id.substr(id.size() - 6)) > 35)
                made.push_back(order);
        }
        return made;
    }
    static std::string newest(const DemoProgram& program, const char* paytype)
    {
        std::string found;
        for (const auto& order : newOrders(program)) {
            if (order.value("paytype", "") == paytype)
                found = order.value("orderid", "");
        }
        return found;
    }
    static bool pay(const DemoProgram& program, const std::string& orderid)
    {
        return hookReply(program, "order", Json { { "orderid", orderid }, { "action", "pay" } }.dump())
            .value("ok", false);
    }
    static long count(const DemoProgram::Run& run, const std::string& prefix)
    {
        return countStarting(run.lines, prefix);
    }
    // Each paid order of the test with the number of results shown for it
    // and whether a settlement carries it: every one needs one or the other.
    static void expectEveryPaidOrderHasAResultOrASale(
        const std::vector<Json>& made, const DemoProgram::Run& run, const std::vector<Json>& settled)
    {
        for (const auto& order : made) {
            if (order.value("paystatus", "") != "1")
                continue;
            auto id = order.value("orderid", "");
            bool inSale = std::any_of(settled.begin(), settled.end(),
                [&](const Json& s) { return s.value("m_orderid", "") == id; });
            long results = count(run, "  label labelOrderId \"" + id + "\"");
            EXPECT_TRUE(inSale || results > 0) << id << "\n" << run.text;
            EXPECT_FALSE(inSale && results > 0) << id << " is both a sale's part and a payment of its own";
        }
    }

    const std::string collect12 = "tap btnOne\ntap btnTwo\ntap btnOK\n";
    // Member 1's purchase of 50: cash 20, the rest (27.50 after the card's
    // discount) by QR code; the code is left after a refused cancel (the test
    // adds the fault), then the pay-way screen too.
    const std::string cash20AndQrPartLeft = R"(row 0
idle
tap btnVipConsume
idle
type tvPayMoney 50
tap btnCashPay
idle
clear tvMoney
type tvMoney 20
tap btnOk
idle
tap btnMobilePay
idle
tap btnOk
idle
tap btnOk
idle
tap btnAlipayCode
idle
back
alert 0
idle
back
alert 2
idle
)";
    // Member 2's purchase of 100 (85 after the card's discount): balance 50,
    // the password, 35 by QR code; the code is left after a refused cancel
    // (the test adds the fault) and the staff are back on the form.
    const std::string balance50AndQrPartLeft = R"(row 1
idle
tap btnVipConsume
idle
type tvPayMoney 100
tap btnVipMoneyPay
idle
clear tvMoney
type tvMoney 50
tap btnOk
idle
tap btnMobilePay
idle
tap btnOk
idle
tap btnOk
alert-type 0 123456
alert 0
idle
tap btnAlipayCode
idle
back
alert 0
idle
back
alert 2
idle
back
idle
)";
};

// How long the app follows an order left waiting, in seconds.
constexpr double followingLimitSeconds = 600;

constexpr const char* refundPath = "/PayApi/OfflinePay/refund";
constexpr const char* barcodePath = "/PayApi/OfflinePay/barcode";
constexpr const char* unknownRefund = "退款结果未知,请先获取订单最新状态！";

// Refund 3; the reply is lost and the order cannot be fetched twice. Neither
// the refund screen left nor the order's detail lets a second refund go
// until a fetch shows the first one.
TEST_F(TillProgram, a_refund_of_unknown_outcome_refuses_every_new_refund_of_its_order_until_it_is_fetched)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_TRUE(program.runUntil(
        signedInScript() + "tap btnBillList\nidle\nrow 0\nidle\nshow\nframe btnRefund\n", "frame btnRefund"))
        << program.finish("").text;
    auto details = received(program, "/PayApi/OfflinePay/getOrderDetails");
    ASSERT_FALSE(details.empty());
    std::string orderid = details.back().value("orderid", "");
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/refund","count":1})"), 200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/getOrderDetails","count":2})"),
        200);
    ASSERT_TRUE(
        program.runUntil("tap btnRefund\ntype tvRefundMoney 3\ntap btnOk\nalert 0\nidle\nalert 1\nback\n"
                         "idle\nshow\ntap btnRefund\nshow\nframe btnRefreshStatus\n",
            "frame btnRefreshStatus"))
        << program.finish("").text;
    auto whileUnknown = received(program, refundPath);
    DemoProgram::Run run = program.finish("tap btnRefreshStatus\nidle\nshow\n");
    ASSERT_EQ(run.status, 0) << run.text;

    ASSERT_EQ(whileUnknown.size(), 1u) << run.text;
    EXPECT_EQ(whileUnknown[0].value("orderid", ""), orderid);
    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { std::string("toast ") + unknownRefund, "screen OrderDetailViewController",
            "toast 服务器繁忙，请稍后再试！", "show OrderDetailViewController",
            std::string("  label labelMoneyState \"") + unknownRefund + "\"",
            std::string("toast ") + unknownRefund, "show OrderDetailViewController", "toast 更新成功！",
            "show OrderDetailViewController" }))
        << run.text;
    EXPECT_EQ(count(run, "screen RefundViewController"), 1) << run.text;
    EXPECT_EQ(count(run, "toast 连接失败"), 0) << run.text;
    // The received amount shown at first, kept while unknown, then less the one refund.
    std::vector<std::string> received;
    for (const auto& line : run.lines) {
        if (line.starts_with("  label labelOrderPayMoney "))
            received.push_back(line);
    }
    ASSERT_EQ(received.size(), 4u) << run.text;
    EXPECT_EQ(received[0], received[1]);
    EXPECT_EQ(received[0], received[2]);
    auto amount = [](const std::string& line) { return std::stod(line.substr(line.find("：") + 3)); };
    EXPECT_NEAR(amount(received[3]), amount(received[0]) - 3, 0.001) << run.text;
    // Known again: the line is gone.
    auto last = std::find(run.lines.rbegin(), run.lines.rend(), "show OrderDetailViewController");
    EXPECT_EQ(std::count_if(run.lines.rbegin(), last,
                  [](const std::string& line) { return line.starts_with("  label labelMoneyState"); }),
        0)
        << run.text;
}

// 12.00 by a code whose reply is lost: back, the keypad's OK again, any way
// to collect asks first, here and on a member's recharge part, and the
// staff's word frees it; no code goes out twice, no sale is charged twice.
TEST_F(TillProgram, a_lost_barcode_reply_holds_every_new_collection_till_wide_until_the_staff_checked)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/barcode","count":1})"), 200);
    DemoProgram::Run run = program.finish(signedInOnTabScript(1) + "tab 0\n" + collect12
        + "tap btnScan\nscan 2800000001\nidle\nshow\nback\ntap btnOK\ntap btnScan\nshow\nalert 2\n"
          "tap btnWxpayCode\nalert 2\nback\ntab 1\nrow 1\nidle\ntap btnVipRecharge\nidle\ntype tvPayMoney "
          "30\n"
          "tap btnMobilePay\nidle\ntap btnOk\nidle\ntap btnOk\nidle\ntap btnScan\nshow\nalert 0\n"
          "scan 280000000002\nidle\nshow\n");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "request /PayApi/OfflinePay/barcode money=12.00&dynamic_id=2800000001&m_paytype=alipay",
            "toast 支付结果未知,请在账单中核实该笔订单！", "show ChoosePayWayViewController",
            "  label labelHeld \"有收款结果未知,收款前请先在账单中核实\"", "screen ReceivableViewController",
            "screen ChoosePayWayViewController", "alert 支付结果未知",
            "  alert \"支付结果未知\" \"上一笔付款码支付结果未知", "alert 支付结果未知",
            "screen VipRechargeViewController", "screen ChoosePayWayViewController", "alert 支付结果未知",
            "screen ScanViewController",
            "request /PayApi/OfflinePay/barcode money=30.00&dynamic_id=280000000002",
            "request /UserApi/Index/recharge/", "screen MemberRechargeResultViewController" }))
        << run.text;
    EXPECT_THAT(run.text, HasSubstr("付款码收款 12.00元"));
    EXPECT_EQ(count(run, "toast 连接失败"), 0) << run.text;
    EXPECT_EQ(count(run, "request /PayApi/OfflinePay/qrcode/"), 0) << run.text;
}

// The same, judged by the stand-in: each sale one paid order.
TEST_F(TillProgram, a_sale_whose_barcode_reply_was_lost_is_paid_once_and_its_recharge_carries_its_own_part)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_TRUE(program.runUntil(signedInOnTabScript(1)
            + "row 1\nidle\ntap btnVipRecharge\nidle\ntype tvPayMoney 30\ntap btnMobilePay\nidle\ntap btnOk\n"
              "idle\ntap btnOk\nidle\nframe btnScan\n",
        "frame btnScan"))
        << program.finish("").text;
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/barcode","count":1})"), 200);
    // Lost on the recharge's pay-way screen; back, OK again, a new code.
    ASSERT_TRUE(program.runUntil("tap btnScan\nscan 280000000001\nidle\nback\nidle\ntap btnOk\nidle\n"
                                 "tap btnScan\nalert 0\nscan 280000000002\nidle\nshow\nframe 返回\n",
        "frame 返回"))
        << program.finish("").text;
    auto barcodes = received(program, barcodePath);
    auto paid = newOrders(program);
    auto settled = settlements(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;
    ASSERT_EQ(barcodes.size(), 2u) << run.text;
    EXPECT_EQ(barcodes[0].value("dynamic_id", ""), "280000000001");
    EXPECT_EQ(barcodes[1].value("dynamic_id", ""), "280000000002");
    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "screen VipRechargeViewController", "screen ChoosePayWayViewController", "alert 支付结果未知",
            "screen MemberRechargeResultViewController" }))
        << run.text;
    // Two orders were paid: the lost one (to be refunded from the takings,
    // which the staff checked) and the one the recharge carries; the lost
    // code was never sent again.
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_EQ(settled[0].value("m_money", ""), "30.00");
    EXPECT_EQ(settled[0].value("m_orderid", ""), paid.back().value("orderid", "?"));
}

// Cash 20 + 27.50 by QR code; the staff leave the code after a refused
// cancel, settle the purchase in cash, and then the customer pays the code:
// the settled purchase stays settled, the payment opens a result of its own.
TEST_F(TillProgram, a_mobile_part_paid_after_its_purchase_was_settled_is_a_payment_of_its_own)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(program.hook("fault",
                  R"({"kind":"status0","path":"/PayApi/OfflinePay/cancel","count":1,"info":"撤销失败"})"),
        200);
    ASSERT_TRUE(program.runUntil(signedInOnTabScript(1) + cash20AndQrPartLeft + R"(back
idle
tap btnMobilePay
idle
clear tvMoney
type tvMoney 0
tap btnOk
idle
tap btnCashPay
idle
clear tvMoney
type tvMoney 47.5
tap btnOk
idle
tap btnOk
idle
show
)",
        "show MemberConsumeResultViewController"))
        << program.finish("").text;
    std::string qrOrder = newest(program, "2");
    ASSERT_TRUE(pay(program, qrOrder));
    ASSERT_TRUE(program.runUntil("wait 6\nidle\nshow\nback\nidle\nshow\nframe 返回\n", "frame 返回"))
        << program.finish("").text;
    auto settled = settlements(program);
    auto made = newOrders(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    ASSERT_EQ(settled.size(), 1u) << run.text;
    EXPECT_EQ(settled[0].value("bycash", ""), "47.50");
    EXPECT_EQ(settled[0].value("m_orderid", ""), "");
    auto payment = std::find(run.lines.begin(), run.lines.end(), "show MemberConsumeResultViewController");
    ASSERT_NE(payment, run.lines.end());
    std::vector<std::string> after(payment, run.lines.end());
    EXPECT_TRUE(inOrderPrefixes(after,
        { "screen PayResultViewController", "  label labelPayResult \"支付成功\"",
            "  label labelOrderId \"" + qrOrder + "\"", "  label labelOrderMoney \"27.50\"",
            "screen MemberConsumeResultViewController", "show MemberConsumeResultViewController" }))
        << run.text;
    EXPECT_EQ(countStarting(after, "screen VipConsumeViewController"), 0) << run.text;
    EXPECT_EQ(countStarting(after, "request /UserApi/Index/payOrder/"), 0) << run.text;
    expectEveryPaidOrderHasAResultOrASale(made, run, settled);
}

// Cash 20 + 27.50 by QR code A, left after a refused cancel; the staff
// show a second code B for the same part. A is paid and bound to the
// purchase while B shows; B is cancelled. The pay-way screen, back on top,
// collects nothing more for the part: the purchase goes with A, once.
TEST_F(TillProgram, a_pay_way_screen_collects_nothing_for_a_part_bound_to_a_paid_order_meanwhile)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(program.hook("fault",
                  R"({"kind":"status0","path":"/PayApi/OfflinePay/cancel","count":1,"info":"撤销失败"})"),
        200);
    ASSERT_TRUE(program.runUntil(signedInOnTabScript(1) + cash20AndQrPartLeft + R"(tap btnWxpayCode
idle
show
)",
        "show QRCodePayViewController"))
        << program.finish("").text;
    std::string a;
    for (const auto& order : newOrders(program)) {
        if (order.value("payment", "") == "alipay")
            a = order.value("orderid", "");
    }
    ASSERT_TRUE(pay(program, a));
    ASSERT_TRUE(
        program.runUntil("wait 4\nidle\nback\nalert 0\nidle\ntap btnScan\nidle\nshow\ntap btnOk\nidle\n"
                         "show\nframe 返回\n",
            "frame 返回"))
        << program.finish("").text;
    auto settled = settlements(program);
    auto made = newOrders(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    const std::string bound = "toast 移动支付已付款,已绑定订单" + a + ",不可修改！";
    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { bound, "toast 撤销订单成功！", "screen ChoosePayWayViewController", bound,
            "screen VipConsumeViewController", "show VipConsumeViewController",
            "request /UserApi/Index/payOrder/", "screen MemberConsumeResultViewController" }))
        << run.text;
    EXPECT_EQ(count(run, "screen ScanViewController"), 0) << run.text;
    EXPECT_EQ(count(run, "request /PayApi/OfflinePay/barcode"), 0) << run.text;
    ASSERT_EQ(settled.size(), 1u) << run.text;
    EXPECT_EQ(settled[0].value("m_orderid", ""), a);
    EXPECT_EQ(settled[0].value("bycash", ""), "20.00");
    expectEveryPaidOrderHasAResultOrASale(made, run, settled);
}

// Order A is left after its cancel failed; sale B waits for its customer on
// the pay-way screen. A is paid: its result opens over B and goes back to
// B's screen, still waiting and still asking before anyone leaves it.
TEST_F(TillProgram, a_late_result_opens_over_another_sales_waiting_screen_and_goes_back_to_it)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/cancel","count":2})"), 200);
    ASSERT_TRUE(program.runUntil(signedInScript()
            + "tap btnAight\ntap btnOK\ntap btnAlipayCode\nidle\nback\nalert 0\nidle\nback\nalert "
              "2\nidle\nback\n"
              "idle\ntap btnDelete\ntap btnFive\ntap btnOK\ntap btnScan\nscan 2800000017\nidle\nshow\n",
        "show ChoosePayWayViewController"))
        << program.finish("").text;
    std::string a = newest(program, "2");
    std::string b = newest(program, "1");
    ASSERT_TRUE(pay(program, a));
    ASSERT_TRUE(program.runUntil(
        "wait 6\nidle\nshow\nback\nidle\nshow\nback\nshow\nalert 1\nframe btnScan\n", "frame btnScan"))
        << program.finish("").text;
    ASSERT_TRUE(pay(program, b));
    ASSERT_TRUE(program.runUntil("wait 3\nidle\nshow\nback\nidle\nshow\nframe btnOK\n", "frame btnOK"))
        << program.finish("").text;
    auto made = newOrders(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "request /PayApi/OfflinePay/barcode money=5.00&dynamic_id=2800000017", "hud 等待用户确认...",
            "screen PayResultViewController", "  label labelOrderId \"" + a + "\"",
            "screen ChoosePayWayViewController", "hud 等待用户确认...", "show ChoosePayWayViewController",
            "  label labelMoney \"5.00\"", "alert 订单尚未支付", "screen PayResultViewController",
            "  label labelOrderId \"" + b + "\"", "  label labelOrderMoney \"5.00\"",
            "screen ReceivableViewController" }))
        << run.text;
    // B's waiting screen never went, so B was never keyed again.
    auto late = std::find(run.lines.begin(), run.lines.end(), "  label labelOrderId \"" + a + "\"");
    auto own = std::find(late, run.lines.end(), "  label labelOrderId \"" + b + "\"");
    EXPECT_EQ(std::count(late, own, "screen ReceivableViewController"), 0) << run.text;
    EXPECT_EQ(count(run, "request /PayApi/OfflinePay/barcode"), 1) << run.text;
    EXPECT_EQ(count(run, "request /PayApi/OfflinePay/qrcode/"), 1) << run.text;
    ASSERT_EQ(made.size(), 2u);
    for (const auto& order : made)
        EXPECT_EQ(order.value("paystatus", ""), "1") << order.dump();
    expectEveryPaidOrderHasAResultOrASale(made, run, {});
}

// A purchase's reply is lost and the staff are asked whether to leave it;
// while the question is up, an order left earlier is paid and its result
// opens over the form. Leaving then must not pop that result and leave the
// form up as the view of no sale: its next confirm would charge again.
TEST_F(TillProgram, leaving_a_held_purchase_under_a_late_result_neither_pops_the_result_nor_charges_again)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/cancel","count":2})"), 200);
    ASSERT_TRUE(program.runUntil(signedInOnTabScript(1)
            + "tab 0\ntap btnAight\ntap btnOK\ntap btnAlipayCode\nidle\nback\nalert 0\nidle\nback\nalert "
              "2\nidle\nback\nidle\ntab 1\nrow 0\nidle\ntap btnVipConsume\nidle\ntype tvPayMoney 50\n"
              "tap btnCashPay\nidle\ntap btnOk\nidle\nframe btnOk\n",
        "frame btnOk"))
        << program.finish("").text;
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/UserApi/Index/payOrder/","count":1})"), 200);
    ASSERT_TRUE(program.runUntil("tap btnOk\nidle\nback\nshow\n", "show VipConsumeViewController"))
        << program.finish("").text;
    std::string left = newest(program, "2");
    ASSERT_TRUE(pay(program, left));
    ASSERT_TRUE(program.runUntil(
        "wait 6\nidle\nalert 1\nidle\nshow\nback\nidle\ntap btnOk\nidle\nshow\nframe 返回\n", "frame 返回"))
        << program.finish("").text;
    auto purchases = received(program, "/UserApi/Index/payOrder/");
    auto settled = settlements(program);
    auto made = newOrders(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "alert 上次提交结果未知", "screen PayResultViewController", "show PayResultViewController",
            "  label labelOrderId \"" + left + "\"", "screen VipConsumeViewController",
            "request /UserApi/Index/payOrder/", "screen MemberConsumeResultViewController" }))
        << run.text;
    ASSERT_EQ(purchases.size(), 2u) << run.text;
    EXPECT_EQ(purchases[1].value("reverseid", ""), purchases[0].value("reverseid", ""));
    ASSERT_EQ(settled.size(), 1u) << run.text;
    expectEveryPaidOrderHasAResultOrASale(made, run, settled);
}

// Order A is left after its cancel failed; sale B's code goes out and its
// reply is slow. A is paid meanwhile: its result opens over B's screen, and
// B's own result over A's. Back from B's result goes to A's, which the
// staff have not seen through, and only then to the cleared keypad.
TEST_F(TillProgram, another_sales_result_going_back_does_not_take_a_late_result_with_it)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/cancel","count":2})"), 200);
    ASSERT_TRUE(program.runUntil(signedInScript()
            + "tap btnAight\ntap btnOK\ntap btnAlipayCode\nidle\nback\nalert 0\nidle\nback\nalert "
              "2\nidle\nback\nidle\nshow\n",
        "show ReceivableViewController"))
        << program.finish("").text;
    std::string a = newest(program, "2");
    ASSERT_EQ(program.hook(
                  "fault", R"({"kind":"slow","path":"/PayApi/OfflinePay/barcode","count":1,"delayMs":6000})"),
        200);
    ASSERT_TRUE(program.runUntil(
        "tap btnDelete\ntap btnFive\ntap btnOK\ntap btnScan\nscan 2800000011\nshow\n", "show ChoosePayWay"))
        << program.finish("").text;
    ASSERT_TRUE(pay(program, a));
    DemoProgram::Run run = program.finish("idle\nshow\nback\nidle\nshow\nback\nidle\nshow\n");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "request /PayApi/OfflinePay/barcode money=5.00&dynamic_id=2800000011",
            "request /PayApi/OfflinePay/getOrderStatus/ orderid=" + a, "screen PayResultViewController",
            "screen PayResultViewController", "show PayResultViewController",
            "  label labelOrderMoney \"5.00\"", "screen PayResultViewController",
            "show PayResultViewController", "  label labelOrderId \"" + a + "\"",
            "screen ReceivableViewController", "show ReceivableViewController",
            "  label labelInputConfirm \"请输入收款金额\"" }))
        << run.text;
    // B's paid screen never showed again, so nothing invites keying B again.
    auto sent = std::find_if(run.lines.begin(), run.lines.end(),
        [](const std::string& line) { return line.starts_with("request /PayApi/OfflinePay/barcode"); });
    EXPECT_EQ(std::count(sent, run.lines.end(), "screen ChoosePayWayViewController"), 0) << run.text;
}

// Balance 50 + 35 by QR code; the staff leave the code after a refused
// cancel and confirm again; the customer pays while the password alert is
// up. What goes out after the password is the sale as it stands then.
TEST_F(TillProgram, a_part_paid_under_the_password_alert_goes_with_the_purchase_and_is_not_collected_again)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(program.hook("fault",
                  R"({"kind":"status0","path":"/PayApi/OfflinePay/cancel","count":1,"info":"撤销失败"})"),
        200);
    ASSERT_TRUE(program.runUntil(signedInOnTabScript(1) + balance50AndQrPartLeft + R"(tap btnOk
show
)",
        "show VipConsumeViewController"))
        << program.finish("").text;
    std::string qrOrder = newest(program, "2");
    ASSERT_TRUE(pay(program, qrOrder));
    ASSERT_TRUE(program.runUntil(
        "wait 6\nidle\nalert-type 0 123456\nalert 0\nidle\nshow\nframe 返回\n", "frame 返回"))
        << program.finish("").text;
    auto settled = settlements(program);
    auto made = newOrders(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    ASSERT_EQ(settled.size(), 1u) << run.text;
    EXPECT_EQ(settled[0].value("bymoney", ""), "50.00");
    EXPECT_EQ(settled[0].value("m_money", ""), "35.00");
    EXPECT_EQ(settled[0].value("m_orderid", ""), qrOrder);
    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "alert 请输入会员消费密码", "toast 移动支付已付款,已绑定订单" + qrOrder + ",不可修改！",
            "toast 验证成功！", "request /UserApi/Index/payOrder/",
            "screen MemberConsumeResultViewController" }))
        << run.text;
    // Nothing was collected again: no pay-way screen came after the password.
    auto password = std::find(run.lines.rbegin(), run.lines.rend(), "alert 请输入会员消费密码");
    EXPECT_EQ(std::count(run.lines.rbegin(), password, "screen ChoosePayWayViewController"), 0) << run.text;
    ASSERT_EQ(made.size(), 1u) << run.text;
    expectEveryPaidOrderHasAResultOrASale(made, run, settled);
}

// The app ends with a barcode reply lost and a purchase's reply lost; it
// starts again on the same home and the same back end: the till is still
// held, the lost code never goes again, and the purchase goes again as it
// was and is settled once.
TEST_F(TillProgram, a_restart_after_lost_replies_still_holds_the_till_and_settles_the_purchase_once)
{
    DemoProgram::StandInServer server;
    ASSERT_TRUE(server.start());
    {
        DemoProgram first(home());
        first.useBackend(server);
        ASSERT_TRUE(first.start({ "--trace" }));
        ASSERT_EQ(
            first.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/barcode","count":1})"),
            200);
        ASSERT_EQ(
            first.hook("fault", R"({"kind":"dropReply","path":"/UserApi/Index/payOrder/","count":1})"), 200);
        DemoProgram::Run run = first.finish(signedInOnTabScript(1) + "tab 0\n" + collect12
            + "tap btnScan\nscan 2800000001\nidle\nback\ntab 1\nrow 0\nidle\ntap btnVipConsume\nidle\n"
              "type tvPayMoney 100\ntap btnVipMoneyPay\nidle\ntap btnOk\nidle\ntap btnOk\nidle\nshow\n");
        ASSERT_EQ(run.status, 0) << run.text;
        EXPECT_THAT(run.lines, Contains("  label labelHeld \"上次提交结果未知,本单已按原样保留\""))
            << run.text;
    }
    auto file = home() / "config" / "till.json";
    struct stat info { };
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    DemoProgram second(home());
    second.useBackend(server);
    ASSERT_TRUE(second.start({ "--trace" }));
    DemoProgram::Run run = second.finish(collect12
        + "tap btnScan\nshow\nalert 0\nscan 2800000001\nidle\ntap btnScan\nscan 2800000002\nidle\nshow\n"
          "back\ntab 1\nidle\nrow 0\nidle\ntap btnVipConsume\nidle\nshow\ntap btnOk\nidle\nshow\n");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "screen ChoosePayWayViewController", "alert 支付结果未知",
            "toast 该付款码支付结果未知,请在账单中核实！",
            "request /PayApi/OfflinePay/barcode money=12.00&dynamic_id=2800000002",
            "screen PayResultViewController", "screen VipConsumeViewController",
            "  field tvPayMoney \"100.00\"", "  label labelHeld \"上次提交结果未知,本单已按原样保留\"",
            "request /UserApi/Index/payOrder/", "screen MemberConsumeResultViewController" }))
        << run.text;
    EXPECT_THAT(run.text, HasSubstr("付款码收款 12.00元"));
    auto barcodes = received(second, barcodePath);
    ASSERT_EQ(barcodes.size(), 2u);
    EXPECT_EQ(barcodes[0].value("dynamic_id", ""), "2800000001");
    EXPECT_EQ(barcodes[1].value("dynamic_id", ""), "2800000002");
    auto purchases = received(second, "/UserApi/Index/payOrder/");
    ASSERT_EQ(purchases.size(), 2u);
    EXPECT_EQ(purchases[1].value("reverseid", ""), purchases[0].value("reverseid", ""));
    EXPECT_EQ(purchases[1].value("bymoney", ""), purchases[0].value("bymoney", ""));
    auto settled = settlements(second);
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_EQ(hookReply(second, "member", R"({"cardnum":"88000001"})").value("money", ""), "115.00");
}

// The app ends while a QR order it could not cancel is left waiting; the
// customer pays while it is off. Started again, the app follows the order
// and opens its result, once.
TEST_F(TillProgram, an_order_left_waiting_when_the_app_ended_opens_its_result_after_the_restart)
{
    DemoProgram::StandInServer server;
    ASSERT_TRUE(server.start());
    std::string left;
    {
        DemoProgram first(home());
        first.useBackend(server);
        ASSERT_TRUE(first.start({ "--trace" }));
        ASSERT_EQ(first.hook("outcomes", R"({"qr":"wait"})"), 200);
        ASSERT_EQ(
            first.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/cancel","count":2})"), 200);
        DemoProgram::Run run = first.finish(signedInScript()
            + "tap btnAight\ntap btnOK\ntap btnAlipayCode\nidle\nback\nalert 0\nidle\nback\nalert 2\nidle\n");
        ASSERT_EQ(run.status, 0) << run.text;
        left = newest(first, "2");
        ASSERT_FALSE(left.empty());
        ASSERT_TRUE(pay(first, left));
    }
    DemoProgram second(home());
    second.useBackend(server);
    ASSERT_TRUE(second.start({ "--trace" }));
    DemoProgram::Run run = second.finish("wait 3\nidle\nshow\nback\nidle\nwait 5\nidle\n");
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "request /PayApi/OfflinePay/getOrderStatus/ orderid=" + left, "screen PayResultViewController",
            "  label labelPayResult \"支付成功\"", "  label labelOrderId \"" + left + "\"",
            "  label labelOrderMoney \"8.00\"", "screen ReceivableViewController" }))
        << run.text;
    EXPECT_EQ(count(run, "screen PayResultViewController"), 1) << run.text;
    EXPECT_EQ(count(run, "request /PayApi/OfflinePay/getOrderStatus/"), 1) << run.text;
    EXPECT_EQ(count(run, "request /PayApi/OfflinePay/qrcode/"), 0) << run.text;
}

// The app is killed while a QR code's screen follows its order, and killed
// again soon after each start. The order is left waiting from the first
// start on: a later start does not begin its ten minutes of following anew.
TEST_F(TillProgram, an_order_followed_when_the_app_was_killed_keeps_the_start_of_its_following_across_starts)
{
    DemoProgram::StandInServer server;
    ASSERT_TRUE(server.start());
    auto file = home() / "config" / "till.json";
    auto leftOrder = [&] {
        std::ifstream in(file);
        auto record = Json::parse(in, nullptr, false);
        return record.is_object() && record.value("orders", Json::array()).size() == 1 ? record["orders"][0]
                                                                                       : Json::object();
    };
    {
        DemoProgram first(home());
        first.useBackend(server);
        ASSERT_TRUE(first.start({ "--trace" }));
        ASSERT_EQ(first.hook("outcomes", R"({"qr":"wait"})"), 200);
        ASSERT_TRUE(
            first.runUntil(signedInScript() + "tap btnAight\ntap btnOK\ntap btnAlipayCode\nidle\nshow\n",
                "show QRCodePayViewController"));
    }
    ASSERT_EQ(leftOrder().value("state", ""), "followed");
    double firstStart = 0;
    for (int start = 0; start < 2; ++start) {
        DemoProgram again(home());
        again.useBackend(server);
        ASSERT_TRUE(again.start({ "--trace" }));
        ASSERT_TRUE(again.runUntil("show\n", "show "));
        auto order = leftOrder();
        EXPECT_EQ(order.value("state", ""), "left") << order.dump();
        if (start == 0)
            firstStart = order.value("leftAt", 0.0);
        EXPECT_GT(firstStart, 0);
        EXPECT_EQ(order.value("leftAt", 0.0), firstStart) << order.dump();
    }
}

// A ledger file that cannot be read is set aside whole, said so, and holds
// the till until the staff have checked the takings; it is never dropped.
TEST_F(TillProgram, a_damaged_ledger_file_is_set_aside_reported_and_holds_the_till)
{
    DemoProgram::Run first = runProgram(signedInScript());
    ASSERT_EQ(first.status, 0) << first.text;
    auto file = home() / "config" / "till.json";
    std::ofstream(file) << "{\"version\":1,\"requests\":[{\"kind\":";
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    DemoProgram::Run run = program.finish(collect12 + "tap btnScan\nshow\nalert 0\nshow\n");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "toast 收款记录已损坏,已另存备查,收款前请先在账单中核实！", "screen ChoosePayWayViewController",
            "alert 支付结果未知", "screen ScanViewController" }))
        << run.text;
    EXPECT_THAT(run.text, HasSubstr("收款记录已损坏,未完成的收款不明"));
    EXPECT_THAT(run.errors, HasSubstr("was set aside as"));
    std::vector<std::string> aside;
    for (const auto& entry : std::filesystem::directory_iterator(home() / "config")) {
        if (entry.path().filename().string().starts_with("till.json.corrupt-"))
            aside.push_back(entry.path().string());
    }
    ASSERT_EQ(aside.size(), 1u);
    std::ifstream kept(aside[0]);
    std::string content((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "{\"version\":1,\"requests\":[{\"kind\":");
}

// The first run's purchase reply is lost, so the form is held to it; the
// record is then damaged in one item. The next run keeps what reads: the
// purchase goes again as it was, once, but only after the staff checked the
// takings, and until then a refund asks first too.
TEST_F(TillProgram,
    a_partly_damaged_ledger_keeps_the_held_purchase_and_holds_refunds_and_member_sales_until_checked)
{
    DemoProgram::StandInServer server;
    ASSERT_TRUE(server.start());
    {
        DemoProgram first(home());
        first.useBackend(server);
        ASSERT_TRUE(first.start({ "--trace" }));
        ASSERT_EQ(
            first.hook("fault", R"({"kind":"dropReply","path":"/UserApi/Index/payOrder/","count":1})"), 200);
        DemoProgram::Run run = first.finish(signedInOnTabScript(1)
            + "row 0\nidle\ntap btnVipConsume\nidle\ntype tvPayMoney 100\ntap btnVipMoneyPay\nidle\ntap "
              "btnOk\n"
              "idle\ntap btnOk\nidle\nshow\n");
        ASSERT_EQ(run.status, 0) << run.text;
        ASSERT_THAT(run.lines, Contains("  label labelHeld \"上次提交结果未知,本单已按原样保留\""))
            << run.text;
    }
    auto file = home() / "config" / "till.json";
    Json record = Json::parse(std::ifstream(file), nullptr, false);
    ASSERT_TRUE(record.is_object());
    record["requests"].push_back({ { "kind", "lost-in-a-crash" } });
    std::ofstream(file) << record.dump();

    DemoProgram second(home());
    second.useBackend(server);
    ASSERT_TRUE(second.start({ "--trace" }));
    DemoProgram::Run run
        = second.finish("tap btnBillList\nidle\nrow 0\nidle\ntap btnRefund\ntype tvRefundMoney 3\n"
                        "tap btnOk\nshow\nalert 2\nidle\nback\nidle\nback\nidle\nback\nidle\ntab 1\nidle\n"
                        "row 0\nidle\ntap btnVipConsume\nidle\nshow\ntap btnOk\nshow\nalert 0\n"
                        "idle\nshow\n");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "toast 收款记录已损坏,已另存备查,收款前请先在账单中核实！", "screen RefundViewController",
            "alert 支付结果未知", "screen VipConsumeViewController", "  field tvPayMoney \"100.00\"",
            "  label labelHeld \"上次提交结果未知,本单已按原样保留\"", "alert 支付结果未知",
            "request /UserApi/Index/payOrder/", "screen MemberConsumeResultViewController" }))
        << run.text;
    EXPECT_THAT(run.text, HasSubstr("收款记录已损坏,未完成的收款不明"));
    EXPECT_THAT(run.errors, HasSubstr("was set aside as"));
    EXPECT_TRUE(received(second, refundPath).empty()) << run.text;
    auto purchases = received(second, "/UserApi/Index/payOrder/");
    ASSERT_EQ(purchases.size(), 2u);
    EXPECT_EQ(purchases[1].value("reverseid", ""), purchases[0].value("reverseid", ""));
    EXPECT_EQ(settlements(second).size(), 1u);
}

// A member's mobile part by QR code is left after a refused cancel; a code
// scanned next loses its reply, so the till is held, and the staff open the
// takings from the hold's alert and re-pay the QR order from its detail
// while the purchase form is still open. The payment is the sale's part,
// shown on its form, and no result of its own; the purchase goes with it.
TEST_F(TillProgram, a_re_payment_of_an_open_sales_part_from_the_order_detail_has_one_home)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(program.hook("fault",
                  R"({"kind":"status0","path":"/PayApi/OfflinePay/cancel","count":1,"info":"撤销失败"})"),
        200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/barcode","count":1})"), 200);
    ASSERT_TRUE(program.runUntil(signedInOnTabScript(1) + cash20AndQrPartLeft + R"(tap btnScan
scan 2800000007
idle
show
)",
        "show ChoosePayWayViewController"))
        << program.finish("").text;
    std::string qrOrder = newest(program, "2");
    ASSERT_FALSE(qrOrder.empty());
    ASSERT_TRUE(program.runUntil("tap btnAlipayCode\nalert 1\nidle\ntap btnSearch\ntype tvOrderNum " + qrOrder
            + "\ntap btnSearch\nidle\ntap btnRePay\nidle\nshow\n",
        "show RePayViewController"))
        << program.finish("").text;
    ASSERT_TRUE(pay(program, qrOrder));
    ASSERT_TRUE(program.runUntil("wait 3\nidle\nshow\nback\nidle\nback\nidle\nback\nidle\nshow\n", "show "))
        << program.finish("").text;
    ASSERT_TRUE(program.runUntil(
        "back\nidle\nshow\ntap btnOk\nidle\nshow\n", "show MemberConsumeResultViewController"))
        << program.finish("").text;
    auto settled = settlements(program);
    auto made = newOrders(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    ASSERT_EQ(settled.size(), 1u) << run.text;
    EXPECT_EQ(settled[0].value("bycash", ""), "20.00");
    EXPECT_EQ(settled[0].value("m_orderid", ""), qrOrder);

    auto repay = std::find(run.lines.begin(), run.lines.end(), "show RePayViewController");
    ASSERT_NE(repay, run.lines.end());
    std::vector<std::string> after(repay, run.lines.end());
    EXPECT_TRUE(inOrderPrefixes(after,
        { "toast 移动支付已付款,已绑定订单" + qrOrder + ",不可修改！", "show OrderDetailViewController",
            "show VipConsumeViewController", "request /UserApi/Index/payOrder/",
            "screen MemberConsumeResultViewController" }))
        << run.text;
    EXPECT_EQ(countStarting(after, "screen PayResultViewController"), 0) << run.text;
    // The order's detail shows its number too: results are counted by screen.
    ASSERT_EQ(made.size(), 2u) << run.text;
    EXPECT_EQ(made[1].value("paystatus", ""), "0") << "the lost code was not charged";
}

// Balance 50 + mobile 35 by QR code, left after a refused cancel; the staff
// move the part to cash and confirm; the QR order is paid under the
// password alert. What the form then holds (cash, balance and the bound
// part) is more than the price: nothing goes, the form says by how much,
// and once the staff take the cash off the purchase goes with the part.
TEST_F(TillProgram,
    a_part_bound_under_the_password_alert_after_the_parts_changed_sends_nothing_that_does_not_add_up)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(program.hook("fault",
                  R"({"kind":"status0","path":"/PayApi/OfflinePay/cancel","count":1,"info":"撤销失败"})"),
        200);
    ASSERT_TRUE(program.runUntil(signedInOnTabScript(1) + balance50AndQrPartLeft + R"(tap btnMobilePay
idle
clear tvMoney
type tvMoney 0
tap btnOk
idle
tap btnCashPay
idle
clear tvMoney
type tvMoney 35
tap btnOk
idle
tap btnOk
show
)",
        "show VipConsumeViewController"))
        << program.finish("").text;
    std::string qrOrder = newest(program, "2");
    ASSERT_TRUE(pay(program, qrOrder));
    ASSERT_TRUE(program.runUntil(
        "wait 6\nidle\nalert-type 0 123456\nalert 0\nidle\nshow\nframe 确定\n", "frame 确定"))
        << program.finish("").text;
    auto whileOver = received(program, "/UserApi/Index/payOrder/");
    ASSERT_TRUE(
        program.runUntil("tap btnCashPay\nidle\nclear tvMoney\ntype tvMoney 0\ntap btnOk\nidle\ntap btnOk\n"
                         "alert-type 0 123456\nalert 0\nidle\nshow\n",
            "show MemberConsumeResultViewController"))
        << program.finish("").text;
    auto settled = settlements(program);
    auto made = newOrders(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_TRUE(whileOver.empty()) << run.text;
    EXPECT_TRUE(inOrderPrefixes(run.lines,
        { "toast 移动支付已付款,已绑定订单" + qrOrder + ",不可修改！", "toast 验证成功！",
            "show VipConsumeViewController", "  label labelPrice ", "toast 验证成功！",
            "request /UserApi/Index/payOrder/" }))
        << run.text;
    auto bound = std::find(
        run.lines.begin(), run.lines.end(), "toast 移动支付已付款,已绑定订单" + qrOrder + ",不可修改！");
    auto checked = std::find(bound, run.lines.end(), "toast 验证成功！");
    auto shown = std::find(checked, run.lines.end(), "show VipConsumeViewController");
    ASSERT_NE(shown, run.lines.end()) << run.text;
    // The summary under the form, which may run over more than one line.
    std::string screen;
    for (auto line = shown + 1; line != run.lines.end() && !line->starts_with("show "); ++line)
        screen += *line + "\n";
    EXPECT_THAT(screen, HasSubstr("移动支付35.00元"));
    EXPECT_THAT(screen, HasSubstr("已超过支付金额35.00元"));
    ASSERT_EQ(settled.size(), 1u) << run.text;
    EXPECT_EQ(settled[0].value("bycash", ""), "0.00");
    EXPECT_EQ(settled[0].value("bymoney", ""), "50.00");
    EXPECT_EQ(settled[0].value("m_orderid", ""), qrOrder);
    expectEveryPaidOrderHasAResultOrASale(made, run, settled);
}

// Two QR orders left after failed cancels are followed until their ten
// minutes run out (here while the app is off), and then hold the till; one
// is paid after that. The staff confirm both unpaid: each is cancelled. The
// paid one's cancel is refused, so its result opens; the other is
// cancelled, and the customer can no longer pay it.
TEST_F(TillProgram,
    orders_the_staff_confirm_unpaid_after_their_following_ended_are_cancelled_or_their_payment_shown)
{
    DemoProgram::StandInServer server;
    ASSERT_TRUE(server.start());
    std::vector<Json> left;
    {
        DemoProgram first(home());
        first.useBackend(server);
        ASSERT_TRUE(first.start({ "--trace" }));
        ASSERT_EQ(first.hook("outcomes", R"({"qr":"wait"})"), 200);
        ASSERT_EQ(
            first.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/cancel","count":2})"), 200);
        DemoProgram::Run run = first.finish(signedInScript()
            + "tap btnAight\ntap btnOK\ntap btnAlipayCode\nidle\nback\nalert 0\nidle\nback\nalert 2\nidle\n"
              "tap btnWxpayCode\nidle\nback\nalert 0\nidle\nback\nalert 2\nidle\n");
        ASSERT_EQ(run.status, 0) << run.text;
        left = newOrders(first);
    }
    ASSERT_EQ(left.size(), 2u);
    std::string paid = left[0].value("orderid", "");
    std::string unpaid = left[1].value("orderid", "");
    auto file = home() / "config" / "till.json";
    Json record = Json::parse(std::ifstream(file), nullptr, false);
    ASSERT_EQ(record.value("orders", Json::array()).size(), 2u);
    for (auto& order : record["orders"])
        order["leftAt"] = order.value("leftAt", 0.0) - followingLimitSeconds - 60;
    std::ofstream(file) << record.dump();

    DemoProgram second(home());
    second.useBackend(server);
    ASSERT_TRUE(second.start({ "--trace" }));
    ASSERT_TRUE(second.runUntil("wait 1\nidle\nshow\n", "show ")) << second.finish("").text;
    ASSERT_TRUE(pay(second, paid));
    ASSERT_TRUE(second.runUntil(
        "tap btnAight\ntap btnOK\ntap btnAlipayCode\nshow\nalert 0\nidle\nwait 1\nidle\nshow\nframe 返回\n",
        "frame 返回"))
        << second.finish("").text;
    EXPECT_FALSE(pay(second, unpaid));
    auto cancels = received(second, "/PayApi/OfflinePay/cancel");
    auto made = newOrders(second);
    DemoProgram::Run run = second.finish("");
    ASSERT_EQ(run.status, 0) << run.text;

    EXPECT_EQ(count(run, "toast 订单未能确认支付结果,请在账单中核实！"), 2) << run.text;
    EXPECT_THAT(run.text, HasSubstr("订单" + paid + " 8.00元"));
    EXPECT_THAT(run.text, HasSubstr("订单" + unpaid + " 8.00元"));
    EXPECT_EQ(cancels.size(), 4u) << run.text;
    EXPECT_EQ(count(run, "  label labelOrderId \"" + paid + "\""), 1) << run.text;
    for (const auto& order : made) {
        if (order.value("orderid", "") == unpaid) {
            EXPECT_EQ(order.value("is_refund", ""), "1");
            EXPECT_NE(order.value("paystatus", ""), "1");
        }
    }
    EXPECT_EQ(count(run, "alert 支付结果未知"), 1) << run.text;
}

} // namespace
