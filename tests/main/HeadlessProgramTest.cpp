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

} // namespace
