#include "server/MerchantBackend.h"
#include "server/MerchantHttpServer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

using merchant::MerchantBackend;
using merchant::MerchantHttpServer;

namespace {

// The program against one back end at a fixed address for both runs: the
// portraits' URLs, and so their cache keys, stay the same between them (the
// demo back end would take a new port each run).
class PortraitCacheProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cashier-portraits-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_server = std::make_unique<MerchantHttpServer>(std::make_shared<MerchantBackend>());
        ASSERT_TRUE(m_server->start(0));
    }
    void TearDown() override
    {
        m_server->stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    std::vector<std::string> run(const std::string& script)
    {
        std::ofstream(m_dir / "script.txt") << script;
        std::string const host = m_server->host();
        std::string command = std::string(CASHIER_PROGRAM) + " --headless --trace --api-host " + host
            + " --agent-host " + host + " --web-host " + host + " --home '" + (m_dir / "home").string()
            + "' --script '" + (m_dir / "script.txt").string() + "' 2>/dev/null";
        std::vector<std::string> lines;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return lines;
        std::string text;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, got);
        int const status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
        std::istringstream stream(text);
        for (std::string line; std::getline(stream, line);)
            lines.push_back(line);
        return lines;
    }

    static long count(const std::vector<std::string>& lines, const std::string& prefix)
    {
        return std::count_if(
            lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(prefix); });
    }

    std::filesystem::path m_dir;
    std::unique_ptr<MerchantHttpServer> m_server;
};

} // namespace

TEST_F(PortraitCacheProgramTest, a_second_run_with_the_same_home_shows_portraits_from_the_disk_cache)
{
    auto first = run(R"(tap btnGoHome
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
)");
    // Of the first ten members, the six with a portrait (the others show the
    // default photo); the web host's "/images" paths and full URLs alike.
    EXPECT_EQ(count(first, "request /images/portrait/"), 6);
    EXPECT_EQ(count(first, "request /images/portrait/1.png"), 1);
    EXPECT_EQ(count(first, "request /images/portrait/2.png"), 1);

    auto second = run("tab 1\nidle\n");
    EXPECT_EQ(count(second, "request /UserApi/Index/getMemberList"), 1);
    EXPECT_EQ(count(second, "request /images/"), 0);
}
