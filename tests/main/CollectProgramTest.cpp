// The collection flows run through the `cashier` program itself, as a user
// starts it: its own demo back end, a fresh home, a headless script.

#include "main/DemoProgram.h"

#include <ctime>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct ProgramRun {
    int status = -1;
    std::vector<std::string> lines;
    std::string text;

    // Index of the first line from `from` on that starts with `prefix`, or -1.
    long find(const std::string& prefix, long from = 0) const
    {
        for (auto i = static_cast<std::size_t>(std::max(from, 0L)); i < lines.size(); ++i) {
            if (lines[i].rfind(prefix, 0) == 0)
                return static_cast<long>(i);
        }
        return -1;
    }
    long count(const std::string& prefix) const { return countStarting(lines, prefix); }
    // The prefixes occur in this order (other lines may come between).
    bool inOrder(const std::vector<std::string>& prefixes) const
    {
        long at = 0;
        for (const auto& prefix : prefixes) {
            at = find(prefix, at);
            if (at < 0)
                return false;
            ++at;
        }
        return true;
    }
};

class CollectProgram : public DemoProgramTest {
protected:
    static std::string today(const char* format = "%Y-%m-%d")
    {
        std::time_t now = std::time(nullptr);
        std::tm local {};
        localtime_r(&now, &local);
        char day[16];
        std::strftime(day, sizeof day, format, &local);
        return day;
    }

    // The demo's order numbers: today's date and the seed's serial.
    static std::string seededOrder(int serial)
    {
        char number[32];
        std::snprintf(number, sizeof number, "%s%06d", today("%Y%m%d").c_str(), serial);
        return number;
    }

    ProgramRun run(const std::string& script)
    {
        DemoProgram::Run done = runProgram(script, { "--trace" });
        return { done.status, std::move(done.lines), std::move(done.text) };
    }

    // The parameters of the requests the demo back end received on `path`,
    // as its log holds them.
    static std::vector<nlohmann::json> received(const DemoProgram& program, const std::string& path)
    {
        std::vector<nlohmann::json> found;
        auto log = nlohmann::json::parse(program.ask("log").value_or("{}"), nullptr, false);
        if (log.is_discarded() || !log.contains("log"))
            return found;
        for (const auto& entry : log["log"]) {
            if (entry.value("path", "") == path)
                found.push_back(entry["params"]);
        }
        return found;
    }

    // Every value a label named so shows in the transcript, in order.
    static std::vector<std::string> shown(const ProgramRun& r, const std::string& label)
    {
        std::vector<std::string> values;
        std::string prefix = "  label " + label + " \"";
        for (const auto& line : r.lines) {
            if (line.starts_with(prefix) && line.size() > prefix.size())
                values.push_back(line.substr(prefix.size(), line.size() - prefix.size() - 1));
        }
        return values;
    }

    // The newest payment order of the demo back end.
    static nlohmann::json lastOrder(const DemoProgram& program)
    {
        auto orders = nlohmann::json::parse(program.ask("orders").value_or("{}"), nullptr, false);
        if (orders.is_discarded() || !orders.contains("orders") || orders["orders"].empty())
            return nlohmann::json::object();
        return orders["orders"].back();
    }

    // The customer pays a waiting order; false when the back end will not have it paid.
    static bool payOrder(const DemoProgram& program, const std::string& orderid)
    {
        auto answer = nlohmann::json::parse(
            program.ask("order", nlohmann::json { { "orderid", orderid }, { "action", "pay" } }.dump())
                .value_or("{}"),
            nullptr, false);
        return !answer.is_discarded() && answer.value("ok", false);
    }

    static ProgramRun done(DemoProgram::Run finished)
    {
        return { finished.status, std::move(finished.lines), std::move(finished.text) };
    }
};

constexpr const char* statusPoll = "request /PayApi/OfflinePay/getOrderStatus/";

TEST_F(CollectProgram, barcode_payments_paid_at_once_after_polls_refused_and_left_while_polling)
{
    ProgramRun r = run(signedInScript() + R"(tap btnOne
tap btnTwo
tap btnOK
tap btnScan
scan 2800000001
idle
show
back
tap btnFive
tap btnOK
tap btnScan
scan 2800000018
idle
wait 2.2
idle
show
back
tap btnThree
tap btnOK
tap btnScan
scan 2800000016
idle
tap btnScan
scan 2800000027
idle
back
alert 0
idle
wait 4.5
idle
show
)");
    ASSERT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(
        r.inOrder({ "request /PayApi/OfflinePay/barcode money=12.00&dynamic_id=2800000001&m_paytype=alipay",
            "screen PayResultViewController", "show PayResultViewController",
            "  label labelPayResult \"支付成功\"", "screen ReceivableViewController" }))
        << r.text;
    // Waits, then paid on the second poll, two seconds after the first.
    EXPECT_TRUE(r.inOrder(
        { "request /PayApi/OfflinePay/barcode money=5.00&dynamic_id=2800000018", "hud 等待用户确认...",
            statusPoll, statusPoll, "screen PayResultViewController", "  label labelOrderMoney \"5.00\"" }))
        << r.text;
    EXPECT_TRUE(r.inOrder(
        { "request /PayApi/OfflinePay/barcode money=3.00&dynamic_id=2800000016", "toast 支付码无效" }))
        << r.text;
    // Back during polling cancels the order first; no poll after the
    // pay-way screen has gone.
    long waiting = r.find("request /PayApi/OfflinePay/barcode money=3.00&dynamic_id=2800000027");
    ASSERT_GE(waiting, 0) << r.text;
    long left = r.find("screen ReceivableViewController", waiting);
    ASSERT_GT(left, waiting) << r.text;
    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/barcode money=3.00&dynamic_id=2800000027",
        "alert 订单尚未支付", "request /PayApi/OfflinePay/cancel ", "toast 撤销订单成功！",
        "screen ReceivableViewController" }))
        << r.text;
    EXPECT_GE(r.find(statusPoll, waiting), 0) << r.text;
    EXPECT_LT(r.find(statusPoll, waiting), left);
    EXPECT_EQ(r.find(statusPoll, left), -1) << r.text;
    EXPECT_EQ(r.find("hud 等待用户确认...", left), -1) << r.text;
}

TEST_F(
    CollectProgram, a_qr_payment_is_paid_after_polls_and_the_takings_show_sums_a_second_page_and_another_day)
{
    ProgramRun r = run(signedInScript() + R"(tap btnAight
tap btnOK
tap btnWxpayCode
idle
wait 2.2
idle
wait 2.2
idle
wait 1
show
back
tap btnBillList
idle
show
pull-up
idle
tap btnWxpayBill
idle
show
tap btnChooseDate
show
pick-date 2020-01-02
tap btnDateOK
idle
show
)");
    ASSERT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(r.inOrder(
        { "screen QRCodePayViewController", "request /PayApi/OfflinePay/qrcode/ money=8.00&m_paytype=wxpay",
            statusPoll, statusPoll, statusPoll, "screen PayResultViewController",
            "  label labelPayResult \"支付成功\"", "screen ReceivableViewController" }))
        << r.text;
    EXPECT_TRUE(r.inOrder({ "screen BillViewController", "request /PayApi/OfflinePay/getMoneySum",
        "request /PayApi/OfflinePay/getOrderList m_paytype=alipay", "show BillViewController",
        "  label labelAliMoney \"￥", "  row 0 0 ",
        "request /PayApi/OfflinePay/getOrderList m_paytype=alipay",
        "request /PayApi/OfflinePay/getOrderList m_paytype=wxpay" }))
        << r.text;
    EXPECT_THAT(r.text, HasSubstr("currentpage=2&pagesize=10")) << r.text;
    EXPECT_THAT(r.lines, Contains("hud 处理支付中...")) << r.text;
    // The WeChat Pay takings include the 8.00 just paid.
    EXPECT_THAT(r.lines, Contains(StartsWith("  row 0 0 \"微信账号 | 扫码支付 | "))) << r.text;
    EXPECT_THAT(r.lines, Contains(::testing::MatchesRegex("  button btnWxpayBill .* selected"))) << r.text;
    // Another day keeps the wallet tab and asks for that day's sums and orders.
    std::tm day {};
    day.tm_year = 2020 - 1900;
    day.tm_mon = 0;
    day.tm_mday = 2;
    day.tm_isdst = -1;
    std::string start = std::to_string(std::mktime(&day));
    EXPECT_TRUE(r.inOrder({ "  picker datePicker \"" + today() + "\"",
        "request /PayApi/OfflinePay/getMoneySum starttime=" + start,
        "request /PayApi/OfflinePay/getOrderList m_paytype=wxpay&starttime=" + start, "toast 暂无订单数据！",
        "  label labelMoney \"0.00\"", "  label labelWxMoney \"￥0.00\"",
        "  label labelDate \"2020-01-02\"" }))
        << r.text;
}

TEST_F(CollectProgram, a_shop_owner_refunds_part_of_an_order_from_its_detail)
{
    ProgramRun r = run(signedInScript() + R"(tap btnBillList
idle
row 0
idle
tap btnRefund
type tvRefundMoney 0.5
tap btnOk
alert 0
idle
show
)");
    ASSERT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(r.inOrder({ "screen OrderDetailViewController", "screen RefundViewController",
        "alert 您确定要退款吗？", "request /PayApi/OfflinePay/refund ", "toast 退款成功！",
        "screen OrderDetailViewController", "request /PayApi/OfflinePay/getOrderDetails",
        "show OrderDetailViewController", "  label labelIsRefund \"已退款\"" }))
        << r.text;
    EXPECT_THAT(r.text, HasSubstr("refundmoney=0.5&username=boss&password=e10adc3949ba59abbe56e057f20f883e"));
    EXPECT_THAT(r.lines, Contains("  button btnRefund \"退款\"")) << r.text;
}

TEST_F(CollectProgram, a_cashier_refunds_once_a_shop_owner_has_signed_the_check)
{
    ProgramRun r = run(signedInScript("cashier") + R"(tap btnBillList
idle
row 1
idle
tap btnRefund
type tvRefundMoney 1
tap btnOk
alert-type 0 boss
alert-type 1 123456
alert 0
idle
alert 0
idle
show
)");
    ASSERT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(r.inOrder({ "screen RefundViewController", "alert 验证店长权限",
        "request /PayApi/OfflinePay/checkStaff/ username=boss&password=e10adc3949ba59abbe56e057f20f883e",
        "toast 验证成功！", "alert 您确定要退款吗？", "request /PayApi/OfflinePay/refund ",
        "toast 退款成功！", "screen OrderDetailViewController", "  label labelIsRefund \"已退款\"" }))
        << r.text;
    EXPECT_THAT(r.text, HasSubstr("refundmoney=1&username=boss&password=e10adc3949ba59abbe56e057f20f883e"));
}

TEST_F(CollectProgram, search_finds_orders_re_pays_one_cancels_another_and_finds_none_for_a_stranger)
{
    ProgramRun r = run(signedInScript() + "tap btnBillList\nidle\ntap btnSearch\ntype tvOrderNum "
        + seededOrder(8) + R"(
tap btnSearch
idle
tap btnRePay
idle
wait 2.2
idle
wait 2.2
idle
wait 1
show
back
idle
show
back
clear tvOrderNum
type tvOrderNum )"
        + seededOrder(4) + R"(
tap btnSearch
idle
tap btnCancelOrder
alert 0
idle
show
back
clear tvOrderNum
type tvOrderNum 12345
tap btnSearch
idle
show
back
)");
    ASSERT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(r.inOrder({ "screen OrderSearchViewController",
        "request /PayApi/OfflinePay/getOrderDetails m_paytype=alipay&orderid=" + seededOrder(8),
        "screen OrderDetailViewController", "request /PayApi/OfflinePay/repay orderid=" + seededOrder(8),
        "screen RePayViewController", statusPoll, statusPoll, statusPoll, "screen PayResultViewController",
        "  label labelPayResult \"支付成功\"", "screen OrderDetailViewController",
        "request /PayApi/OfflinePay/getOrderDetails orderid=" + seededOrder(8),
        "  label labelPayStatus \"支付成功\"" }))
        << r.text;
    EXPECT_TRUE(
        r.inOrder({ "request /PayApi/OfflinePay/getOrderDetails m_paytype=alipay&orderid=" + seededOrder(4),
            "alert 您确定要撤销该订单吗？", "request /PayApi/OfflinePay/cancel orderid=" + seededOrder(4),
            "toast 撤销订单成功！", "  label labelIsRefund \"已撤销\"" }))
        << r.text;
    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/getOrderDetails m_paytype=alipay&orderid=12345",
        "request /PayApi/OfflinePay/getOrderDetails m_paytype=wxpay&orderid=12345",
        "screen Order404ViewController", "show Order404ViewController", "screen OrderSearchViewController" }))
        << r.text;
}

TEST_F(CollectProgram, a_barcode_sale_is_charged_once_whether_its_reply_is_slow_or_lost)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook(
                  "fault", R"({"kind":"slow","path":"/PayApi/OfflinePay/barcode","count":1,"delayMs":3000})"),
        200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/barcode","count":1})"), 200);
    // A slow reply: back and the QR tiles are refused until it comes, then
    // its result opens. A lost one: the same code on a new pay-way screen is
    // refused.
    const std::string tenByCode = "tap btnOne\ntap btnZero\ntap btnOK\ntap btnScan\nscan ";
    ASSERT_TRUE(program.runUntil(signedInScript() + "tap btnBillList\nidle\nshow\nback\n" + tenByCode
            + "2800000001\nback\nshow\nidle\nshow\nback\n" + tenByCode
            + "2800000002\nidle\nback\ntap btnOK\ntap btnScan\nalert 0\nscan 2800000002\nidle\nback\n"
              "tap btnBillList\nidle\nshow\nframe btnSearch\n",
        "frame btnSearch"))
        << program.finish("").text;
    auto barcodes = received(program, "/PayApi/OfflinePay/barcode");
    auto qrCodes = received(program, "/PayApi/OfflinePay/qrcode/");
    ProgramRun r = done(program.finish(""));
    ASSERT_EQ(r.status, 0) << r.text;

    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/barcode money=10.00&dynamic_id=2800000001",
        "toast 正在支付,请稍候...", "show ChoosePayWayViewController",
        "  button btnAlipayCode \"支付宝\" disabled", "screen PayResultViewController",
        "  label labelPayResult \"支付成功\"", "screen ReceivableViewController" }))
        << r.text;
    // The lost one holds the till: a new pay-way screen asks first, and even
    // once the staff say they checked, that code is not sent again.
    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/barcode money=10.00&dynamic_id=2800000002",
        "toast 支付结果未知,请在账单中核实该笔订单！", "screen ChoosePayWayViewController",
        "alert 支付结果未知", "screen ScanViewController", "toast 该付款码支付结果未知,请在账单中核实！" }))
        << r.text;
    EXPECT_EQ(r.count("toast 连接失败"), 0) << r.text;
    // The back end received each code once and no QR order; its takings grew
    // by the two sales, each once.
    ASSERT_EQ(barcodes.size(), 2u) << r.text;
    EXPECT_EQ(barcodes[0].value("dynamic_id", ""), "2800000001");
    EXPECT_EQ(barcodes[1].value("dynamic_id", ""), "2800000002");
    EXPECT_TRUE(qrCodes.empty());
    auto sums = shown(r, "labelAliMoney");
    ASSERT_EQ(sums.size(), 2u) << r.text;
    EXPECT_NEAR(std::stod(sums[1].substr(sums[1].find_first_of("0123456789"))),
        std::stod(sums[0].substr(sums[0].find_first_of("0123456789"))) + 20.0, 0.001)
        << sums[0] << " then " << sums[1];
}

TEST_F(CollectProgram, a_refund_whose_reply_is_lost_is_paid_once_and_its_form_then_shows_what_is_left)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/refund","count":1})"), 200);
    ASSERT_TRUE(program.runUntil(signedInScript()
            + "tap btnBillList\nidle\nrow 0\nidle\nshow\ntap btnRefund\ntype tvRefundMoney 3\ntap btnOk\n"
              "alert 0\nidle\nshow\ntype tvRefundMoney 999\ntap btnOk\nback\nidle\nshow\nframe btnRefund\n",
        "frame btnRefund"))
        << program.finish("").text;
    auto refunds = received(program, "/PayApi/OfflinePay/refund");
    ProgramRun r = done(program.finish(""));
    ASSERT_EQ(r.status, 0) << r.text;

    // The order's received amount before and after, as the back end reports it.
    auto payMoney = shown(r, "labelOrderPayMoney");
    ASSERT_EQ(payMoney.size(), 2u) << r.text;
    auto amount
        = [](const std::string& text) { return std::stod(text.substr(text.find_first_of("0123456789"))); };
    char left[32];
    std::snprintf(left, sizeof left, "%.2f", amount(payMoney[0]) - 3);
    EXPECT_EQ(payMoney[1], std::string("实收金额：") + left + "元 ") << r.text;
    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/refund ", "toast 退款结果未知,请先获取订单最新状态！",
        "request /PayApi/OfflinePay/getOrderDetails", "show RefundViewController",
        std::string("  field tvRefundMoney \"\" placeholder \"当前可退") + left + "元\"",
        "toast 退款金额不可大于实收金额！", "screen OrderDetailViewController" }))
        << r.text;
    ASSERT_EQ(refunds.size(), 1u) << r.text;
    EXPECT_EQ(refunds[0].value("refundmoney", ""), "3");
}

// The customer pays after the cashier, tired of waiting, went back without
// managing to cancel the order (the cancel's answer is lost): the order is
// still followed, and when it is paid its result opens wherever the cashier
// is, so the sale is not collected again; by QR code and by a code that waits.
// The result's back returns to the keypad as the cashier left it.
TEST_F(CollectProgram, an_order_left_without_a_cancel_still_opens_its_result_when_paid_later)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/cancel","count":2})"), 200);
    const std::string leaveAnyway = "back\nalert 0\nidle\nback\nshow\nalert 2\nidle\n";
    ASSERT_TRUE(program.runUntil(signedInScript() + "tap btnAight\ntap btnOK\ntap btnAlipayCode\nidle\n"
            + leaveAnyway + "back\nidle\nframe btnOK\n",
        "frame btnOK"))
        << program.finish("").text;
    ASSERT_TRUE(payOrder(program, lastOrder(program).value("orderid", "")));
    ASSERT_TRUE(program.runUntil("wait 3\nidle\nshow\nback\nidle\nshow\ntap btnFive\ntap btnOK\ntap btnScan\n"
                                 "scan 2800000017\nidle\n"
            + leaveAnyway + "frame btnOK\n",
        "frame btnOK"))
        << program.finish("").text;
    auto barcodeOrder = lastOrder(program);
    ASSERT_TRUE(payOrder(program, barcodeOrder.value("orderid", "")));
    ProgramRun r = done(program.finish("wait 3\nidle\nshow\nback\nidle\nshow\n"));
    ASSERT_EQ(r.status, 0) << r.text;

    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/qrcode/ money=8.00", statusPoll, "alert 订单尚未支付",
        "request /PayApi/OfflinePay/cancel ", "toast 撤销订单结果未知,正在继续查询订单状态...",
        "    button 2 \"仍要离开\"", "toast 订单将在后台继续查询,付款后会显示支付结果！",
        "screen ChoosePayWayViewController", "screen ReceivableViewController", statusPoll,
        "screen PayResultViewController", "  label labelPayResult \"支付成功\"",
        "  label labelOrderMoney \"8.00\"", "screen ReceivableViewController", "  label labelMoney \"8\"",
        "request /PayApi/OfflinePay/barcode money=85.00&dynamic_id=2800000017", "alert 订单尚未支付",
        "toast 订单将在后台继续查询,付款后会显示支付结果！", "screen ReceivableViewController",
        "screen PayResultViewController", "  label labelPayResult \"支付成功\"",
        "  label labelOrderMoney \"85.00\"", "screen ReceivableViewController",
        "  label labelMoney \"85\"" }))
        << r.text;
    EXPECT_EQ(r.count("request /PayApi/OfflinePay/qrcode/"), 1) << r.text;
    EXPECT_EQ(r.count("request /PayApi/OfflinePay/barcode"), 1) << r.text;
    EXPECT_EQ(r.count("screen PayResultViewController"), 2) << r.text;
    // Over the tab's root as over the pay-way screen, the result hides the tabs.
    long result = r.find("show PayResultViewController", r.find("request /PayApi/OfflinePay/barcode"));
    ASSERT_GE(result, 0) << r.text;
    EXPECT_GT(r.find("  button \"收款\"", result), r.find("show ReceivableViewController", result)) << r.text;
}

// The first code's payment was taken and its reply lost: the sale is held,
// no QR code is made for it until the cashier has been to the takings and
// says that nothing was paid; back from the QR code asks, and the order
// cancelled on the way stays unpaid at the back end for good.
TEST_F(
    CollectProgram, a_sale_whose_barcode_reply_was_lost_is_collected_again_only_once_the_takings_were_checked)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/PayApi/OfflinePay/barcode","count":1})"), 200);
    ASSERT_TRUE(program.runUntil(signedInScript() + R"(tap btnOne
tap btnZero
tap btnOK
tap btnScan
scan 2800000001
idle
tap btnWxpayCode
show
alert 2
tap btnScan
alert 1
idle
show
back
tap btnWxpayCode
alert 0
idle
back
alert 1
back
alert 0
idle
frame btnWxpayCode
)",
        "frame btnWxpayCode"))
        << program.finish("").text;
    auto qrOrder = lastOrder(program);
    bool paidLater = payOrder(program, qrOrder.value("orderid", ""));
    auto orders = nlohmann::json::parse(program.ask("orders").value_or("{}"), nullptr, false);
    ProgramRun r = done(program.finish(""));
    ASSERT_EQ(r.status, 0) << r.text;

    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/barcode money=10.00&dynamic_id=2800000001",
        "toast 支付结果未知,请在账单中核实该笔订单！", "alert 支付结果未知", "    button 1 \"查看账单\"",
        "alert 支付结果未知", "screen BillViewController",
        "request /PayApi/OfflinePay/getOrderList m_paytype=alipay", "screen ChoosePayWayViewController",
        "alert 支付结果未知", "screen QRCodePayViewController",
        "request /PayApi/OfflinePay/qrcode/ money=10.00&m_paytype=wxpay", "alert 订单尚未支付",
        "alert 订单尚未支付",
        "request /PayApi/OfflinePay/cancel orderid=" + qrOrder.value("orderid", "?") + "&m_paytype=wxpay",
        "toast 撤销订单成功！", "screen ChoosePayWayViewController" }))
        << r.text;
    EXPECT_THAT(r.lines, Contains(::testing::MatchesRegex("  button btnAlipayBill .* selected"))) << r.text;
    EXPECT_EQ(r.count("request /PayApi/OfflinePay/qrcode/"), 1) << r.text;
    EXPECT_EQ(r.count("request /PayApi/OfflinePay/barcode"), 1) << r.text;
    // The sale was paid once, by the lost code; its QR order stays cancelled.
    EXPECT_FALSE(paidLater);
    ASSERT_TRUE(orders.contains("orders")) << orders.dump();
    std::vector<std::string> states;
    for (const auto& order : orders["orders"]) {
        if (order.value("dynamic_id", "") == "2800000001"
            || order.value("orderid", "") == qrOrder.value("orderid", ""))
            states.push_back(order.value("paytype", "") + ":" + order.value("paystatus", "") + ":"
                + order.value("is_refund", ""));
    }
    EXPECT_EQ(states, (std::vector<std::string> { "1:1:0", "2:0:1" })) << orders.dump();
}

// A code whose order still waits for the customer to confirm may yet be
// charged after the cashier goes back; a new pay-way screen refuses it.
TEST_F(CollectProgram, a_payment_code_whose_order_was_left_waiting_is_not_sent_again)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("fault", R"({"kind":"drop","path":"/PayApi/OfflinePay/cancel","count":1})"), 200);
    ProgramRun r = done(program.finish(signedInScript() + R"(tap btnOne
tap btnOK
tap btnScan
scan 2800000017
idle
back
alert 0
idle
back
alert 2
tap btnOK
tap btnScan
scan 2800000017
idle
)"));
    ASSERT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(r.inOrder({ "request /PayApi/OfflinePay/barcode money=1.00&dynamic_id=2800000017",
        "hud 等待用户确认...", "screen ReceivableViewController", "screen ChoosePayWayViewController",
        "screen ScanViewController", "screen ChoosePayWayViewController",
        "toast 该付款码支付结果未知,请在账单中核实！" }))
        << r.text;
    EXPECT_EQ(r.count("request /PayApi/OfflinePay/barcode"), 1) << r.text;
}

} // namespace
