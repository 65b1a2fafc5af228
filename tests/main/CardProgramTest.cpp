// The card screens and the member recharge run through the `cashier` program
// itself, as a user starts it: its own demo back end, a fresh home, a headless
// script.

#include "main/DemoProgram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using CardProgram = DemoProgramTest;

TEST_F(CardProgram, recharge_by_rule_raises_balance_and_gift_then_a_mobile_part_is_paid_and_handed_back)
{
    DemoProgram::Run run = runProgram(signedInOnTabScript(1) + R"(row 1
idle
tap btnVipRecharge
idle
type tvPayMoney 100
tap btnRechargeRule
idle
row 1
tap btnOk
idle
tap btnCashPay
idle
tap btnOk
idle
show
tap btnOk
idle
show
back
idle
show
tap btnVipRecharge
idle
type tvPayMoney 50
tap btnMobilePay
idle
tap btnOk
idle
tap btnOk
idle
tap btnScan
idle
scan 2800000000001
idle
show
)",
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen VipRechargeViewController", "screen ChooseRechargeRuleViewController",
            "request /UserApi/Index/getRuleList/",
            "  label labelPrice \"本次充值100.00元,赠送20.00元;  现金支付100.00元,\"", "hud 请求支付中...",
            "screen MemberRechargeResultViewController", "  label labelPayResult \"结账成功\"",
            "  label labelOrderMoney \"100.00\"", "screen VipDetailViewController",
            "  label labelVipMoney \"320.00\"", "  label labelFreeMoney \"40.00\"",
            "screen ChoosePayWayViewController", "screen MemberRechargeResultViewController" }))
        << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains(
            ::testing::MatchesRegex("request /UserApi/Index/recharge/ "
                                    "memberid=2&ruleid=1&reverseid=[0-9]+&totalprice=100.00&bycash=100.00")))
        << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains(
            ::testing::MatchesRegex("request /UserApi/Index/recharge/ memberid=2&ruleid=0&reverseid=[0-9]+"
                                    "&totalprice=50.00&m_money=50.00&m_orderid=[0-9]+")))
        << run.text;
    EXPECT_EQ(countStarting(run.lines, "request /UserApi/Index/recharge/"), 2) << run.text;
}

TEST_F(CardProgram, cards_tab_pages_each_type_and_verifies_a_typed_and_a_scanned_code)
{
    // Saving the member key there loads nothing: a tile asks for the log.
    DemoProgram::Run run = runProgram(signedInOnTabScript(2) + R"(tap btnPlatformVolume
idle
pull-up
idle
type tvCardCode 660000000001
tap btnOk
idle
tap btnScan
idle
scan 660000000002
idle
show
tap btnAliVolume
idle
pull-up
idle
tap btnWxVolume
idle
pull-up
idle
show
)",
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen CardVolumeStatisticViewController",
            "request /UserApi/Index/getCouponSendLog/ "
            "passtype=platPass&status=-1&currentpage=1&pagesize=10&sort=desc&field=usetime",
            "request /UserApi/Index/getCouponSendLog/ "
            "passtype=platPass&status=-1&currentpage=2&pagesize=10&sort=desc&field=gettime",
            "request /UserApi/Index/verifyCode/ passtype=platPass&vcode=660000000001", "toast 核销成功",
            "screen ScanViewController", "screen CardVolumeStatisticViewController",
            "request /UserApi/Index/verifyCode/ passtype=platPass&vcode=660000000002", "toast 核销成功",
            "request /UserApi/Index/aliPassLog status=USED&currentpage=2&pagesize=10",
            "request /UserApi/Index/wxPassLog status=1&currentpage=2&pagesize=10" }))
        << run.text;
    // Each write-off loads the first page afresh.
    EXPECT_EQ(countStarting(run.lines,
                  "request /UserApi/Index/getCouponSendLog/ "
                  "passtype=platPass&status=-1&currentpage=1&pagesize=10&sort=desc&field=usetime"),
        3)
        << run.text;
    EXPECT_THAT(
        run.lines, ::testing::Contains(::testing::MatchesRegex("  row 10 0 \"微信.* \\| 已使用 \\| .*")))
        << run.text;
    EXPECT_THAT(run.lines, ::testing::Contains(::testing::MatchesRegex("  button btnWxVolume .* selected")))
        << run.text;
}

TEST_F(CardProgram, send_records_open_a_platform_and_an_alipay_record)
{
    DemoProgram::Run run = runProgram(signedInOnTabScript(2) + R"(tap btnRecords
idle
pull-up
idle
row 0
idle
show
back
idle
tap btnAliVolume
idle
row 1
idle
show
)",
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen CardVolumnRecordViewController",
            "request /UserApi/Index/getCouponSendLog/ "
            "passtype=platPass&currentpage=1&pagesize=10&sort=desc&field=gettime",
            "request /UserApi/Index/getCouponSendLog/ "
            "passtype=platPass&currentpage=2&pagesize=10&sort=desc&field=gettime",
            "screen CardVolumeDetailViewController", "  label labelCouponStatus \"未使用\"",
            "  label labelCode \"660000000012\"", "screen CardVolumnRecordViewController",
            "request /UserApi/Index/aliPassLog currentpage=1&pagesize=10",
            "screen AliWxCardDetailViewController", "  label labelCouponStatus \"已使用\"",
            "  label labelCode \"770000000002\"" }))
        << run.text;
    // A pass not yet used has no use date to show.
    EXPECT_EQ(countStarting(run.lines, "  label labelUseDate"), 1) << run.text;
}

TEST_F(CardProgram, passes_are_sent_to_a_member_and_wechat_is_refused_without_the_members_wechat)
{
    DemoProgram::Run run = runProgram(signedInOnTabScript(1) + R"(row 2
idle
tap btnSendCard
idle
tap btnQuorvastCard
idle
row 0
tap btnOk
idle
type tvRemark 老客户回馈
tap btnSave
idle
tap btnAliCard
idle
row 1
tap btnOk
idle
tap btnWxCard
idle
row 0
tap btnOk
idle
back
idle
back
idle
row 1
idle
tap btnSendCard
idle
tap btnWxCard
idle
row 0
tap btnOk
idle
)",
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen SendCardViewController", "screen ChooseCardVolumeViewController",
            "screen InputRemarkViewController",
            "request /UserApi/Index/sendPlatPass/ memberid=3&modelid=1&remarks=老客户回馈",
            "toast 优惠劵发放成功！", "screen SendCardViewController", "screen AliCouponListViewController",
            "request /UserApi/Index/sendAlipass tpl_id=2016002&open_id=2088ali000003", "toast 卡劵发放成功！",
            "screen SendCardViewController", "screen WxCouponListViewController",
            "request /UserApi/Index/sendWxpass card_id=pWx0001&wecha_id=oWx_member_0003",
            "toast 卡劵发放成功！", "request /UserApi/Index/getUserInfo cardnum=88000002",
            "screen WxCouponListViewController", "toast 该会员未开启微信,无法发放卡卷！" }))
        << run.text;
    EXPECT_EQ(countStarting(run.lines, "request /UserApi/Index/sendWxpass"), 1) << run.text;
}

} // namespace
