// The member screens run through the `cashier` program itself, as a user
// starts it: its own demo back end, a fresh home, a headless script.

#include "main/DemoProgram.h"
#include "platform/foundation/Json.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <arpa/inet.h>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using MemberProgram = DemoProgramTest;

// Signed in, the member key set on the members tab: the tab's card list and
// first page load at once.
const std::string membersTabOpened = signedInOnTabScript(1);
// 王芳's detail (88000002: balance 220.00, gift 20.00, gold card 8.5), then her purchase.
const std::string purchaseOfMember2 = "row 1\nidle\ntap btnVipConsume\nidle\n";
// Confirm, typing the member's payment password.
const std::string confirmWithPassword = "tap btnOk\nalert-type 0 123456\nalert 0\nidle\n";
// The result, then the member's detail it leads back to.
const std::string resultThenDetail = "show\nback\nidle\nshow\n";
// A purchase or recharge whose outcome is unknown: said at once, and at each edit tried.
const std::string heldToast = "toast 上次提交结果未知,请点确定重新提交！";

TEST_F(MemberProgram, members_tab_pages_and_finds_members_by_phone_and_by_an_escaped_chinese_name)
{
    DemoProgram::Run run = runProgram(membersTabOpened + R"(tap tab1
idle
pull-up
idle
type tvSearchContent 13800130002
tap btnSearch
idle
show
clear tvSearchContent
type tvSearchContent 王芳
tap btnSearch
idle
row 0
idle
show
)",
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen VipViewController", "alert 设置商家key", "request /UserApi/Index/getCardList",
            "toast 设置成功！", "request /UserApi/Index/getMemberList currentpage=1&pagesize=10",
            "request /UserApi/Index/getMemberList currentpage=1&pagesize=10&cardid=101",
            "request /UserApi/Index/getMemberList currentpage=2&pagesize=10&cardid=101",
            "screen VipSearchViewController",
            "request /UserApi/Index/getMemberList currentpage=1&pagesize=10&keyword=13800130002&urlencode=1",
            "  row 0 0 \"王芳 | 88000002\"",
            "request /UserApi/Index/getMemberList "
            "currentpage=1&pagesize=10&keyword=%E7%8E%8B%E8%8A%B3&urlencode=1",
            "screen VipDetailViewController", "request /UserApi/Index/getUserInfo cardnum=88000002",
            "  label labelUserName \"王芳\"", "  label labelVipMoney \"220.00\"" }))
        << run.text;
}

TEST_F(MemberProgram, member_purchase_by_cash_and_balance_asks_the_password_and_lowers_the_balance)
{
    DemoProgram::Run run = runProgram(membersTabOpened + purchaseOfMember2 + R"(type tvPayMoney 300
tap btnVipMoneyPay
idle
tap btnOk
idle
)" + confirmWithPassword
            + R"(tap btnVipMoneyPay
idle
clear tvMoney
type tvMoney 35
tap btnOk
idle
tap btnCashPay
idle
tap btnOk
idle
show
)" + confirmWithPassword
            + resultThenDetail,
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen VipConsumeViewController", "request /UserApi/Index/memcOrder/ memberid=2&totalprice=300.00",
            "alert 请输入会员消费密码", "toast 验证成功！", "toast 会员余额不足,请选择其它方式支付！",
            "  label labelPrice \"总计300.00元,折后255.00元; 现金支付220.00元, 会员余额支付35.00元,\"",
            "alert 请输入会员消费密码", "toast 验证成功！", "hud 请求支付中...",
            "screen MemberConsumeResultViewController", "  label labelPayResult \"结账成功\"",
            "  label labelOrderMoney \"255.00\"", "screen VipDetailViewController",
            "  label labelVipMoney \"185.00\"" }))
        << run.text;
    EXPECT_EQ(countStarting(run.lines, "request /UserApi/Index/payOrder/"), 1) << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains(::testing::MatchesRegex(
            "request /UserApi/Index/payOrder/ memberid=2&mark=&reverseid=[0-9]+&totalprice=300.00&cardid=102"
            "&actualprice=255.00&bycash=220.00&bymoney=35.00")))
        << run.text;
}

// The summary line of a purchase was cut where it named what is still due
// (or overpaid) while 确定 stayed grey. At the largest amounts the keypad
// takes, every part set and the price overpaid, the whole line is listed
// and painted inside its label on the bar: the overpaid amount, last on the
// line and the only red on the screen, shows there.
TEST_F(MemberProgram, purchase_summary_shows_every_amount_it_names_at_the_largest_amounts)
{
    std::string parts;
    for (const char* part : { "btnCashPay", "btnVipMoneyPay", "btnMobilePay" })
        parts
            += std::string("tap ") + part + "\nidle\nclear tvMoney\ntype tvMoney 99999.99\ntap btnOk\nidle\n";
    auto picture = m_dir / "summary.png";
    DemoProgram::Run run = runProgram(membersTabOpened + purchaseOfMember2 + "type tvPayMoney 99999.99\n"
        + parts + "show\nframe labelPrice\nframe btnOk\nshot " + picture.string() + "\n");
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains("  label labelPrice \"总计99999.99元,折后84999.99元; 现金支付99999.99元, "
                            "会员余额支付99999.99元, 移动支付99999.99元, 已超过支付金额214999.98元;\""))
        << run.text;

    double x = 0, y = 0, w = 0, h = 0, okX = 0;
    for (const auto& line : run.lines) {
        std::istringstream in(line);
        std::string word, name;
        double fx = 0, fy = 0, fw = 0, fh = 0;
        if (!(in >> word >> name >> fx >> fy >> fw >> fh) || word != "frame")
            continue;
        if (name == "btnOk")
            okX = fx;
        else
            std::tie(x, y, w, h) = std::tie(fx, fy, fw, fh);
    }
    EXPECT_LE(y + h, 568) << "the label reaches below the screen";
    EXPECT_LE(x + w, okX) << "the label runs under 确定";

    std::ifstream file(picture, std::ios::binary);
    auto image = graphics::Image::fromData(
        std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
    ASSERT_TRUE(image && w > 0);
    double scale = image->pixelWidth() / 320.0;
    auto red = [&](double left, double top, double width, double height) {
        int n = 0;
        for (int py = static_cast<int>(top * scale); py < (top + height) * scale; ++py)
            for (int px = static_cast<int>(left * scale); px < (left + width) * scale; ++px) {
                auto c = image->pixelAt(px, py);
                n += c.red() > 0.8 && c.green() < 0.45 && c.blue() < 0.45;
            }
        return n;
    };
    EXPECT_GT(red(x, y, w, h), 40) << "the overpaid amount is not shown";
    EXPECT_EQ(red(0, 0, 320, 568), red(x, y, w, h)) << "red outside the summary line";
}

TEST_F(MemberProgram, coupon_purchase_then_points_with_a_reason_and_an_escaped_remark)
{
    DemoProgram::Run run = runProgram(membersTabOpened + purchaseOfMember2 + R"(type tvPayMoney 120
tap btnPreferentialWay
idle
row 0 1
show
tap btnOk
idle
tap btnCashPay
idle
tap btnOk
idle
tap btnOk
idle
back
idle
tap btnAddCredit
idle
type tvCreditCount 50
tap btnOperationReason
idle
row 1
tap btnOk
idle
tap btnDescription
idle
type tvDescription 好客户 & 常来
tap btnSave
idle
tap btnOk
idle
show
)",
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen ChoosePreferentialWayViewController", "request /UserApi/Index/getCoupon memberid=2",
            "request /UserApi/Index/calcOrder/ memberid=2&totalprice=120.00&couponid=6",
            "screen MemberConsumeResultViewController", "screen GiveCreditViewController",
            "request /UserApi/Index/reScore/ score=50&memberid=2&reason=%E6%B4%BB%E5%8A%A8%E8%B5%A0%E9%80%81"
            "&info=%E5%A5%BD%E5%AE%A2%E6%88%B7%20%26%20%E5%B8%B8%E6%9D%A5",
            "toast 授予积分成功！", "screen VipDetailViewController", "  label labelVipPoint \"250\"" }))
        << run.text;
    // The chooser shows which way is chosen, as its check boxes do.
    EXPECT_TRUE(inOrder(run.lines,
        { "show ChoosePreferentialWayViewController", "  row 0 0 \"金卡 | 8.5折\" unchecked",
            "  row 0 1 \"满100减20（抵20.00元） | 满100.00元\" checked" }))
        << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains(
            ::testing::MatchesRegex("request /UserApi/Index/payOrder/ memberid=2&mark=&reverseid="
                                    "[0-9]+&totalprice=120.00&couponid=6&actualprice=100.00&bycash=100.00")))
        << run.text;
}

// 100 for 王芳: 35 from the balance, 50 by the customer's payment code on the
// pay-way screen. The first submission's reply is lost after the back end
// settled it.
const std::string purchaseWithMobilePart = purchaseOfMember2 + R"(type tvPayMoney 100
tap btnVipMoneyPay
idle
clear tvMoney
type tvMoney 35
tap btnOk
idle
tap btnMobilePay
idle
tap btnOk
idle
)" + confirmWithPassword
    + R"(tap btnScan
scan 280000000001
idle
)" + confirmWithPassword
    + resultThenDetail;

TEST_F(MemberProgram, mobile_part_paid_by_barcode_is_handed_back_and_a_lost_reply_is_not_charged_twice)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/UserApi/Index/payOrder/","count":1})"), 200);
    DemoProgram::Run run = program.finish(membersTabOpened + purchaseWithMobilePart);
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen VipConsumeViewController", "alert 请输入会员消费密码", "toast 验证成功！",
            "screen ChoosePayWayViewController", "screen ScanViewController",
            "request /PayApi/OfflinePay/barcode money=50.00&dynamic_id=280000000001&m_paytype=alipay",
            "screen VipConsumeViewController", "hud 请求支付中...", heldToast, "alert 请输入会员消费密码",
            "toast 验证成功！", "screen MemberConsumeResultViewController",
            "  label labelPayResult \"结账成功\"", "  label labelOrderMoney \"85.00\"",
            "screen VipDetailViewController", "  label labelVipMoney \"185.00\"" }))
        << run.text;
    std::vector<std::string> purchases;
    for (const auto& line : run.lines) {
        if (line.starts_with("request /UserApi/Index/payOrder/"))
            purchases.push_back(line);
    }
    // The retry is the very request the back end settled: same number, same paid order.
    ASSERT_EQ(purchases.size(), 2u) << run.text;
    EXPECT_EQ(purchases[0], purchases[1]);
    EXPECT_THAT(purchases[0],
        ::testing::MatchesRegex("request /UserApi/Index/payOrder/ memberid=2&mark=&reverseid=[0-9]+"
                                "&totalprice=100.00&cardid=102&actualprice=85.00&bymoney=35.00&m_money=50.00"
                                "&m_orderid=[0-9A-Za-z]+"));
    EXPECT_EQ(countStarting(run.lines, "request /PayApi/OfflinePay/barcode"), 1) << run.text;
}

// What the demo back end settled, and a member's stored money, read
// through its hooks while the program waits for more of its script.
foundation::Json settlements(const DemoProgram& program)
{
    auto json = foundation::Json::parse(program.ask("settlements").value_or(""), nullptr, false);
    return json.is_object() && json.contains("settlements") ? json["settlements"] : foundation::Json::array();
}

std::string storedMoney(const DemoProgram& program, const std::string& cardnum)
{
    auto json = foundation::Json::parse(
        program.ask("member", R"({"cardnum":")" + cardnum + R"("})").value_or(""), nullptr, false);
    return json.is_object() ? json.value("money", "") : "";
}

std::vector<std::string> linesStarting(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> found;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
        [&](const std::string& line) { return line.starts_with(prefix); });
    return found;
}

std::string parameter(const std::string& requestLine, const std::string& key)
{
    auto at = requestLine.find(key + "=");
    if (at == std::string::npos)
        return "<absent>";
    at += key.size() + 1;
    return requestLine.substr(at, requestLine.find('&', at) - at);
}

// 85 of 王芳's purchase from her balance; the back end settles it and the
// reply is lost. The staff try to make it cash instead, then confirm.
TEST_F(MemberProgram, purchase_whose_reply_is_lost_cannot_turn_into_cash_and_is_charged_once)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/UserApi/Index/payOrder/","count":1})"), 200);
    ASSERT_TRUE(program.runUntil(membersTabOpened + purchaseOfMember2 + R"(type tvPayMoney 100
tap btnVipMoneyPay
idle
tap btnOk
idle
)" + confirmWithPassword
            + R"(tap btnVipMoneyPay
tap btnCashPay
show
)",
        "show VipConsumeViewController"));
    auto settled = settlements(program);
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_EQ(settled[0].value("bymoney", ""), "85.00");
    EXPECT_EQ(storedMoney(program, "88000002"), "135.00");

    ASSERT_TRUE(program.runUntil(confirmWithPassword + "show\n", "show MemberConsumeResultViewController"));
    EXPECT_EQ(settlements(program).size(), 1u);
    EXPECT_EQ(storedMoney(program, "88000002"), "135.00");
    DemoProgram::Run run = program.finish(resultThenDetail);
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "hud 请求支付中...", heldToast, heldToast, heldToast, "  label labelCashMoney \"0\"",
            "  label labelMemberMoney \"85\"", "  label labelHeld \"上次提交结果未知,本单已按原样保留\"",
            "alert 请输入会员消费密码", "toast 验证成功！", "screen MemberConsumeResultViewController",
            "  label labelPayResult \"结账成功\"", "screen VipDetailViewController",
            "  label labelVipMoney \"135.00\"" }))
        << run.text;
    auto purchases = linesStarting(run.lines, "request /UserApi/Index/payOrder/");
    ASSERT_EQ(purchases.size(), 2u) << run.text;
    EXPECT_EQ(purchases[0], purchases[1]);
    EXPECT_EQ(parameter(purchases[0], "bycash"), "<absent>");
    EXPECT_EQ(parameter(purchases[0], "reverseid"), settled[0].value("reverseid", ""));
}

// 王芳 tops up 100 in cash; the back end takes it and the reply is lost. Half
// by mobile wallet now? The recharge goes again as it was, once.
TEST_F(MemberProgram, recharge_whose_reply_is_lost_keeps_its_split_and_is_recorded_once)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"dropReply","path":"/UserApi/Index/recharge/","count":1})"), 200);
    ASSERT_TRUE(program.runUntil(membersTabOpened + R"(row 1
idle
tap btnVipRecharge
idle
type tvPayMoney 100
tap btnCashPay
idle
tap btnOk
idle
tap btnOk
idle
tap btnCashPay
tap btnMobilePay
show
)",
        "show VipRechargeViewController"));
    auto settled = settlements(program);
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_EQ(settled[0].value("kind", ""), "recharge");
    EXPECT_EQ(settled[0].value("bycash", ""), "100.00");
    EXPECT_EQ(storedMoney(program, "88000002"), "320.00");

    ASSERT_TRUE(program.runUntil("tap btnOk\nidle\nshow\n", "show MemberRechargeResultViewController"));
    settled = settlements(program);
    EXPECT_EQ(settled.size(), 1u);
    EXPECT_EQ(storedMoney(program, "88000002"), "320.00");
    DemoProgram::Run run = program.finish(resultThenDetail);
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen VipRechargeViewController", heldToast, heldToast, heldToast,
            "  label labelCashMoney \"100\"", "  label labelMobileMoney \"0\"",
            "screen MemberRechargeResultViewController", "  label labelPayResult \"结账成功\"",
            "screen VipDetailViewController", "  label labelVipMoney \"320.00\"" }))
        << run.text;
    EXPECT_EQ(countStarting(run.lines, "screen ChoosePayWayViewController"), 0) << run.text;
    auto recharges = linesStarting(run.lines, "request /UserApi/Index/recharge/");
    ASSERT_EQ(recharges.size(), 2u) << run.text;
    EXPECT_EQ(recharges[0], recharges[1]);
    EXPECT_EQ(parameter(recharges[0], "m_money"), "<absent>");
}

// 50 of 王芳's purchase is paid by her payment code, then the back end
// refuses the purchase. The paid 50 stays bound to its order: it cannot be
// edited, and the next confirm spends that order, not a new payment.
TEST_F(MemberProgram, paid_mobile_part_stays_bound_to_its_order_after_a_refusal_and_is_spent_once)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("fault",
                  R"({"kind":"status0","path":"/UserApi/Index/payOrder/","count":1,"info":"系统繁忙"})"),
        200);
    ASSERT_TRUE(program.runUntil(membersTabOpened + purchaseOfMember2 + R"(type tvPayMoney 100
tap btnMobilePay
idle
clear tvMoney
type tvMoney 50
tap btnOk
idle
tap btnCashPay
idle
tap btnOk
idle
tap btnOk
idle
tap btnScan
scan 280000000001
idle
tap btnMobilePay
tap btnOk
idle
show
)",
        "show MemberConsumeResultViewController"));
    auto settled = settlements(program);
    DemoProgram::Run run = program.finish("");
    ASSERT_EQ(run.status, 0) << run.text;
    auto purchases = linesStarting(run.lines, "request /UserApi/Index/payOrder/");
    ASSERT_EQ(purchases.size(), 2u) << run.text;
    std::string order = parameter(purchases[0], "m_orderid");
    EXPECT_TRUE(inOrder(run.lines,
        { "screen ChoosePayWayViewController",
            "request /PayApi/OfflinePay/barcode money=50.00&dynamic_id=280000000001&m_paytype=alipay",
            "screen VipConsumeViewController", "toast 系统繁忙",
            "toast 移动支付已付款,已绑定订单" + order + ",不可修改！",
            "screen MemberConsumeResultViewController", "  label labelPayResult \"结账成功\"" }))
        << run.text;
    EXPECT_EQ(countStarting(run.lines, "request /PayApi/OfflinePay/barcode"), 1) << run.text;
    auto refused = std::find(run.lines.begin(), run.lines.end(), "toast 系统繁忙");
    EXPECT_EQ(std::count(refused, run.lines.end(), "screen ChoosePayWayViewController"), 0) << run.text;
    EXPECT_NE(parameter(purchases[1], "reverseid"), parameter(purchases[0], "reverseid"));
    EXPECT_EQ(parameter(purchases[1], "m_orderid"), order);
    EXPECT_EQ(parameter(purchases[1], "m_money"), "50.00");
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_EQ(settled[0].value("m_orderid", ""), order);
    EXPECT_EQ(settled[0].value("m_money", ""), "50.00");
    EXPECT_EQ(settled[0].value("bycash", ""), "35.00");
}

// 王芳 tops up 100, all by QR code. The staff go back from the code, whose
// order could not be cancelled, and she pays after: the order binds to her
// recharge as its paid mobile part, and the recharge goes with it once the
// staff confirm; no second code is shown, nothing is recorded twice.
TEST_F(MemberProgram, mobile_part_paid_after_the_staff_left_its_qr_code_binds_to_the_recharge)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(program.hook("outcomes", R"({"qr":"wait"})"), 200);
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http500","path":"/PayApi/OfflinePay/cancel","count":1})"), 200);
    ASSERT_TRUE(program.runUntil(membersTabOpened + R"(row 1
idle
tap btnVipRecharge
idle
type tvPayMoney 100
tap btnMobilePay
idle
tap btnOk
idle
tap btnOk
idle
tap btnAlipayCode
idle
show
)",
        "show QRCodePayViewController"));
    // The staff could not cancel the order and left it; the customer pays it then.
    ASSERT_TRUE(program.runUntil(
        "back\nalert 0\nidle\nback\nalert 2\nidle\nframe btnAlipayCode\n", "frame btnAlipayCode"));
    auto orders = foundation::Json::parse(program.ask("orders").value_or(""), nullptr, false);
    ASSERT_TRUE(orders.is_object() && orders.contains("orders") && !orders["orders"].empty());
    const auto& left = orders["orders"].back();
    ASSERT_EQ(left.value("paytype", ""), "2");
    ASSERT_EQ(
        program.hook("order", R"({"orderid":")" + left.value("orderid", "") + R"(","action":"pay"})"), 200);
    ASSERT_TRUE(program.runUntil("wait 3\nidle\nshow\ntap btnMobilePay\ntap btnOk\nidle\nshow\n",
        "show MemberRechargeResultViewController"));
    auto settled = settlements(program);
    DemoProgram::Run run = program.finish(resultThenDetail);
    ASSERT_EQ(run.status, 0) << run.text;

    auto polls = linesStarting(run.lines, "request /PayApi/OfflinePay/getOrderStatus/");
    ASSERT_GE(polls.size(), 2u) << run.text;
    std::string order = parameter(polls[0], "orderid");
    const std::string bound = "toast 移动支付已付款,已绑定订单" + order + ",不可修改！";
    EXPECT_TRUE(inOrder(run.lines,
        { "screen QRCodePayViewController", "screen ChoosePayWayViewController", bound,
            "screen VipRechargeViewController", "  label labelMobileMoney \"100\"", bound,
            "screen MemberRechargeResultViewController", "  label labelPayResult \"结账成功\"",
            "screen VipDetailViewController", "  label labelVipMoney \"320.00\"" }))
        << run.text;
    EXPECT_EQ(countStarting(run.lines, "request /PayApi/OfflinePay/qrcode/"), 1) << run.text;
    auto recharges = linesStarting(run.lines, "request /UserApi/Index/recharge/");
    ASSERT_EQ(recharges.size(), 1u) << run.text;
    EXPECT_EQ(parameter(recharges[0], "m_orderid"), order);
    EXPECT_EQ(parameter(recharges[0], "m_money"), "100.00");
    EXPECT_EQ(parameter(recharges[0], "m_paytype"), "alipay");
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_EQ(settled[0].value("m_orderid", ""), order);
}

// A listening socket on 127.0.0.1:port for as long as it lives.
class PortTaker {
public:
    explicit PortTaker(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        // The last run's connections may still linger on the port.
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        m_taken = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && ::listen(m_fd, 1) == 0;
    }
    ~PortTaker() { ::close(m_fd); }
    bool taken() const { return m_taken; }

private:
    int m_fd = -1;
    bool m_taken = false;
};

// The portraits' URLs name the demo back end's port, and the image cache
// keeps them by URL: a second run with the same home listens on the same port
// and shows them from the disk cache.
TEST_F(MemberProgram, a_second_run_with_the_same_home_shows_portraits_without_a_request)
{
    DemoProgram::Run first = runProgram(membersTabOpened, { "--trace" });
    ASSERT_EQ(first.status, 0) << first.text;
    // Of the first ten members, the six with a portrait (the others show the
    // default photo); the web host's "/images" paths and full URLs alike.
    EXPECT_EQ(countStarting(first.lines, "request /images/portrait/"), 6) << first.text;
    EXPECT_EQ(countStarting(first.lines, "request /images/portrait/1.png"), 1) << first.text;

    DemoProgram::Run second = runProgram("tab 1\nidle\n", { "--trace" });
    ASSERT_EQ(second.status, 0) << second.text;
    EXPECT_EQ(countStarting(second.lines, "request /UserApi/Index/getMemberList"), 1) << second.text;
    EXPECT_EQ(countStarting(second.lines, "request /images/"), 0) << second.text;

    // With that port taken, the demo starts on another and remembers it.
    auto readPort = [&] {
        int port = 0;
        std::ifstream(home() / "cache" / "demo-port") >> port;
        return port;
    };
    int const remembered = readPort();
    PortTaker taker(remembered);
    ASSERT_TRUE(taker.taken()) << remembered;
    DemoProgram::Run third = runProgram("tab 1\nidle\n", { "--trace" });
    ASSERT_EQ(third.status, 0) << third.text;
    EXPECT_EQ(countStarting(third.lines, "request /images/portrait/"), 6) << third.text;
    EXPECT_NE(readPort(), remembered);
    EXPECT_GT(readPort(), 0);
}

} // namespace
