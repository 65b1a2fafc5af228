#include "main/DemoProgram.h"

#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using HeadlessProgramTest = DemoProgramTest;

TEST_F(HeadlessProgramTest, first_run_goes_from_the_guide_through_key_and_sign_in_to_an_amount)
{
    DemoProgram::Run run = runProgram(R"(# first start: the guide, then the collect tab
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
        { "--trace" });
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
    DemoProgram::Run run = runProgram("tap btnGoHome\nscan 6200000000001\ntap btnOne\n");
    EXPECT_EQ(run.status, 2) << run.text;
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "error 2: no scanner is open");
    EXPECT_THAT(run.lines, ::testing::Not(::testing::Contains("alert 设置收款key")));
}

// A sanitizer build run by hand (as the README shows) ended every run with
// the leak checker's table of suppressed allocations on standard error.
TEST_F(HeadlessProgramTest, a_run_started_by_hand_ends_without_the_leak_checkers_table)
{
    // ctest's own options would hide it; a person's shell has none.
    std::optional<std::string> const saved = std::getenv("LSAN_OPTIONS")
        ? std::optional<std::string>(std::getenv("LSAN_OPTIONS"))
        : std::nullopt;
    ::unsetenv("LSAN_OPTIONS");
    DemoProgram::Run run = runProgram("tap btnGoHome\nshot " + (m_dir / "guide.png").string() + "\n");
    if (saved)
        ::setenv("LSAN_OPTIONS", saved->c_str(), 1);
    EXPECT_EQ(run.status, 0) << run.text << run.errors;
    EXPECT_EQ(run.errors.find("Suppressions used"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("cashier: demo back end on 127.0.0.1:"), std::string::npos) << run.errors;
}

} // namespace
