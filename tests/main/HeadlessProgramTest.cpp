#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct ProgramRun {
    int status = -1;
    std::vector<std::string> lines;
    std::string text;
};

class HeadlessProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cashier-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // The program as a user starts it: its own demo back end, a fresh home.
    ProgramRun runProgram(const std::string& script, const std::string& extraArguments = {})
    {
        auto scriptFile = m_dir / "script.txt";
        std::ofstream(scriptFile) << script;
        std::string command = std::string(CASHIER_PROGRAM) + " --demo --headless --home '"
            + (m_dir / "home").string() + "' --script '" + scriptFile.string() + "' " + extraArguments
            + " 2>'" + (m_dir / "stderr").string() + "'";
        ProgramRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return run;
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.text.append(buffer, got);
        int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::istringstream lines(run.text);
        for (std::string line; std::getline(lines, line);)
            run.lines.push_back(line);
        return run;
    }

    std::filesystem::path m_dir;
};

// True when `wanted` occur in `lines` in this order (others may come between).
bool inOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted)
{
    std::size_t next = 0;
    for (const auto& line : lines) {
        if (next < wanted.size() && line == wanted[next])
            ++next;
    }
    return next == wanted.size();
}

TEST_F(HeadlessProgramTest, first_run_goes_from_the_guide_through_key_and_sign_in_to_an_amount)
{
    ProgramRun run = runProgram(R"(# first start: the guide, then the collect tab
tap btnGoHome
# a key press without a collection key asks for one
tap btnOne
alert-type 0 pay-demo-key
alert-type 1 paysecret2026
alert 0
type tvUserName boss
type tvPassword 123456
show
tap btnLogin
idle
tap btnOne
tap btnTwo
tap btnPoint
tap btnFive
show
)",
        "--trace");
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen GuideViewController", "screen ReceivableViewController", "alert 设置收款key",
            "screen LoginViewController", "toast 设置成功！", "toast 登录成功！",
            "screen ReceivableViewController", "show ReceivableViewController" }))
        << run.text;
    EXPECT_THAT(run.lines, ::testing::Contains("  label labelMoney \"12.5\"")) << run.text;
    // Traced in clear, but the merchant's keys never reach the transcript.
    EXPECT_THAT(
        run.lines, ::testing::Contains(::testing::StartsWith("request /PayApi/OfflinePay/checkStaff/ ")));
    EXPECT_EQ(run.text.find("pay-demo-key"), std::string::npos);
    EXPECT_EQ(run.text.find("paysecret2026"), std::string::npos);
    // Nor does the password typed on the sign-in screen.
    EXPECT_EQ(run.text.find("123456"), std::string::npos);
}

TEST_F(HeadlessProgramTest, a_command_that_cannot_be_done_ends_the_run_with_status_2)
{
    ProgramRun run = runProgram("tap btnGoHome\nscan 6200000000001\ntap btnOne\n");
    EXPECT_EQ(run.status, 2) << run.text;
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "error 2: no scanner is open");
    EXPECT_THAT(run.lines, ::testing::Not(::testing::Contains("alert 设置收款key")));
}

// Signed in, the member key set on the members tab: the tab's card list and
// first page load at once.
const char* const membersTabOpened = R"(tap btnGoHome
tap btnOne
alert-type 0 pay-demo-key
alert-type 1 paysecret2026
alert 0
type tvUserName boss
type tvPassword 123456
tap btnLogin
idle
tab 1
alert-type 0 member-demo-key
alert-type 1 mbr12345
alert 0
idle
)";

TEST_F(HeadlessProgramTest, members_tab_pages_and_finds_members_by_phone_and_by_an_escaped_chinese_name)
{
    ProgramRun run = runProgram(std::string(membersTabOpened) + R"(tap tab1
idle
pull-up
idle
tap tvSearchContent
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
        "--trace");
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

TEST_F(HeadlessProgramTest, member_purchase_by_cash_and_balance_asks_the_password_and_lowers_the_balance)
{
    ProgramRun run = runProgram(std::string(membersTabOpened) + R"(row 1
idle
tap btnVipConsume
idle
type tvPayMoney 300
tap btnVipMoneyPay
idle
tap btnOk
idle
tap btnOk
alert-type 0 123456
alert 0
idle
tap btnVipMoneyPay
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
tap btnOk
alert-type 0 123456
alert 0
idle
show
back
idle
show
)",
        "--trace");
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
    EXPECT_EQ(
        std::count_if(run.lines.begin(), run.lines.end(),
            [](const std::string& line) { return line.starts_with("request /UserApi/Index/payOrder/"); }),
        1)
        << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains(::testing::MatchesRegex(
            "request /UserApi/Index/payOrder/ memberid=2&mark=&reverseid=[0-9]+&totalprice=300.00&cardid=102"
            "&actualprice=255.00&bycash=220.00&bymoney=35.00")))
        << run.text;
}

TEST_F(HeadlessProgramTest, coupon_purchase_then_points_with_a_reason_and_an_escaped_remark)
{
    ProgramRun run = runProgram(std::string(membersTabOpened) + R"(row 1
idle
tap btnVipConsume
idle
type tvPayMoney 120
tap btnPreferentialWay
idle
row 0 1
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
        "--trace");
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen ChoosePreferentialWayViewController", "request /UserApi/Index/getCoupon memberid=2",
            "request /UserApi/Index/calcOrder/ memberid=2&totalprice=120.00&couponid=6",
            "screen MemberConsumeResultViewController", "screen GiveCreditViewController",
            "request /UserApi/Index/reScore/ score=50&memberid=2&reason=%E6%B4%BB%E5%8A%A8%E8%B5%A0%E9%80%81"
            "&info=%E5%A5%BD%E5%AE%A2%E6%88%B7%20%26%20%E5%B8%B8%E6%9D%A5",
            "toast 授予积分成功！", "screen VipDetailViewController", "  label labelVipPoint \"250\"" }))
        << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains(
            ::testing::MatchesRegex("request /UserApi/Index/payOrder/ memberid=2&mark=&reverseid="
                                    "[0-9]+&totalprice=120.00&couponid=6&actualprice=100.00&bycash=100.00")))
        << run.text;
}

} // namespace
