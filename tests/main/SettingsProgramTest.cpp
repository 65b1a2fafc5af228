#include "main/DemoProgram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace {

using SettingsProgramTest = DemoProgramTest;

TEST_F(SettingsProgramTest, owner_check_password_change_then_refund_and_sign_in_with_the_new_password)
{
    DemoProgram::Run run = runProgram(R"(tap btnGoHome
tab 3
tap btnSetKey
alert-type 0 pay-demo-key
alert-type 1 paysecret2026
alert 0
type tvUserName boss
type tvPassword 123456
tap btnLogin
idle
show
# a cashier's right password does not open the collection keys
tap btnSetKey
alert-type 0 cashier
alert-type 1 123456
alert 0
idle
tab 0
tab 3
tap btnSetKey
alert-type 0 boss
alert-type 1 123456
alert 0
idle
alert-type 0 pay-demo-key
alert-type 1 paysecret2026
alert 0
clear tvUserName
type tvUserName boss
type tvPassword 123456
tap btnLogin
idle
tap btnUpdatePwd
type tvSourcePwd 123456
type tvNewPwd 654321
type tvConfirmNewPwd 654321
tap btnUpdatePwd
idle
# the owner's refund sends the stored password, the new one by now
tab 0
tap btnBillList
idle
row 0
idle
tap btnRefund
type tvRefundMoney 1.00
tap btnOk
alert 0
idle
back
back
tab 3
tap btnLogout
alert 0
clear tvUserName
type tvUserName boss
type tvPassword 123456
tap btnLogin
idle
clear tvPassword
type tvPassword 654321
tap btnLogin
idle
tap btnLogout
alert 0
)",
        { "--trace" });
    EXPECT_EQ(run.status, 0) << run.text;
    EXPECT_TRUE(inOrder(run.lines,
        { "screen SettingViewController", "  label labelUserName \"boss\"",
            "  label labelShopName \"演示旗舰店\"", "  label labelNickName \"小演\"", "alert 验证店长权限",
            "toast 验证失败,您不是店长,没有此权限！", "alert 验证店长权限", "toast 验证成功！",
            "alert 设置收款key", "screen LoginViewController", "toast 设置成功！", "toast 登录成功！",
            "screen UpdatePwdViewController", "toast 密码修改成功", "screen SettingViewController",
            "screen RefundViewController", "toast 退款成功！", "alert 您确认要退出当前账号吗？",
            "toast 您还未登录,请先登录！", "toast 用户名或密码错误", "toast 登录成功！",
            "alert 您确认要退出当前账号吗？", "toast 您还未登录,请先登录！" }))
        << run.text;
    EXPECT_THAT(run.lines,
        ::testing::Contains(
            ::testing::StartsWith("request /Api/Alipay/modifyStaffPassword key=***&username=boss&")));
    EXPECT_EQ(run.text.find("pay-demo-key"), std::string::npos);
}

} // namespace
