#include "main/DemoProgram.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using SettingsProgramTest = DemoProgramTest;

// The demo owner passes the owner check; the demo collection pair goes into
// the key alert that follows, whatever opened it.
constexpr const char* ownerThenDemoKey
    = "tap btnSetKey\nalert-type 0 boss\nalert-type 1 123456\nalert 0\nidle\n"
      "alert-type 0 pay-demo-key\nalert-type 1 paysecret2026\nalert 0\n";

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
)" + std::string(ownerThenDemoKey)
            + R"(clear tvUserName
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

namespace {

TEST_F(SettingsProgramTest, sign_in_tapped_twice_from_a_refused_key_asks_once_and_returns_to_the_amount)
{
    DemoProgram program(home());
    ASSERT_TRUE(program.start({ "--trace" }));
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http403","path":"/PayApi/OfflinePay/barcode","count":1})"), 200);
    ASSERT_EQ(program.hook("fault",
                  R"({"kind":"slow","path":"/PayApi/OfflinePay/checkStaff/","count":0,"delayMs":1500})"),
        200);
    DemoProgram::Run run = program.finish(signedInScript() + R"(tap btnOne
tap btnTwo
tap btnOK
tap btnScan
scan 2800000001
idle
alert-type 0 pay-demo-key
alert-type 1 paysecret2026
alert 0
clear tvUserName
type tvUserName boss
type tvPassword 123456
tap btnLogin
tap btnLogin
idle
show
tap btnScan
scan 2800000011
idle
)");
    ASSERT_EQ(run.status, 0) << run.text;
    // From the sign-in screen the refused key opened over the pay-way screen
    // on, where the sale goes on at once: a refused key moved no money.
    auto opened = std::find(run.lines.begin(), run.lines.end(), "toast key无效,请重新设置！");
    ASSERT_NE(opened, run.lines.end()) << run.text;
    std::vector<std::string> after(opened, run.lines.end());
    EXPECT_EQ(countStarting(after, "request /PayApi/OfflinePay/checkStaff/"), 1) << run.text;
    EXPECT_EQ(countStarting(after, "request /PayApi/OfflinePay/getShopInfo/"), 1) << run.text;
    EXPECT_EQ(countStarting(after, "toast 登录成功！"), 1) << run.text;
    EXPECT_EQ(countStarting(after, "screen ReceivableViewController"), 0) << run.text;
    EXPECT_TRUE(inOrder(after,
        { "screen LoginViewController", "toast 登录成功！", "screen ChoosePayWayViewController",
            "  label labelMoney \"12.00\"",
            "request /PayApi/OfflinePay/barcode money=12.00&dynamic_id=2800000011&m_paytype=alipay",
            "screen PayResultViewController" }))
        << run.text;
}

} // namespace

namespace {

TEST_F(SettingsProgramTest, stale_collection_key_after_a_fresh_start_is_asked_for_again_from_the_settings)
{
    DemoProgram::Run first = runProgram(signedInScript());
    ASSERT_EQ(first.status, 0) << first.text;
    // The merchant's collection key changed meanwhile: the stored one is refused.
    std::filesystem::path settings = home() / "config" / "defaults.json";
    std::string text;
    {
        std::ifstream in(settings);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto at = text.find("\"pay-demo-key\"");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, std::string("\"pay-demo-key\"").size(), "\"stale-key\"");
    std::ofstream(settings) << text;

    DemoProgram::Run run = runProgram("tab 3\n" + std::string(ownerThenDemoKey) + R"(type tvPassword 123456
tap btnLogin
idle
show
)",
        { "--trace" });
    ASSERT_EQ(run.status, 0) << run.text;
    std::string const staffCheck
        = "request /PayApi/OfflinePay/checkStaff/ username=boss&password=e10adc3949ba59abbe56e057f20f883e";
    EXPECT_TRUE(inOrder(run.lines,
        { "screen SettingViewController", "alert 验证店长权限", staffCheck, "toast key无效,请重新设置！",
            "alert 设置收款key", "screen LoginViewController", "toast 设置成功！", staffCheck,
            "toast 登录成功！", "screen SettingViewController", "  label labelUserName \"boss\"" }))
        << run.text;
}

} // namespace

namespace {

TEST_F(SettingsProgramTest, password_change_failing_in_the_background_notifies_only_when_asked_and_only_there)
{
    // As on a server or in CI: no session bus, so the notice is dropped with
    // one line on standard error and the app runs on as before.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::unsetenv("XDG_RUNTIME_DIR");
    DemoProgram program(home());
    ASSERT_TRUE(program.start());
    ASSERT_EQ(
        program.hook("fault", R"({"kind":"http500","path":"/Api/Alipay/modifyStaffPassword","count":3})"), 200);
    DemoProgram::Run run = program.finish(signedInScript() + R"(tab 3
tap btnUpdatePwd
type tvSourcePwd 123456
type tvNewPwd 654321
type tvConfirmNewPwd 654321
# the app's own request asks for no notice: none, even in the background
background
tap btnUpdatePwd
idle
foreground
notify-on-error on
background
tap btnUpdatePwd
idle
foreground
# in front the toast alone tells
tap btnUpdatePwd
idle
)");
    ASSERT_EQ(run.status, 0) << run.text << run.errors;
    std::string const failed = "toast 连接失败，请检查您的网络连接！";
    EXPECT_TRUE(inOrder(run.lines,
        { "screen UpdatePwdViewController", failed, failed, "notification The server answered with HTTP status 500.",
            failed }))
        << run.text;
    EXPECT_EQ(countStarting(run.lines, "notification"), 1) << run.text;
    EXPECT_EQ(countStarting(run.lines, failed), 3) << run.text;
    std::istringstream errors(run.errors);
    std::vector<std::string> dropped;
    for (std::string line; std::getline(errors, line);) {
        if (line.find("notification") != std::string::npos)
            dropped.push_back(line);
    }
    EXPECT_EQ(dropped,
        (std::vector<std::string> {
            "cashier: notification not shown: no session bus (DBUS_SESSION_BUS_ADDRESS is not set)" }))
        << run.errors;
}

} // namespace
