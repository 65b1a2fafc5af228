#include "main/ProgramOptions.h"

#include <gtest/gtest.h>

namespace {

foundation::Result<ProgramOptions> parse(std::vector<std::string> arguments)
{
    return ProgramOptions::parse(arguments);
}

TEST(ProgramOptionsTest, hosts_must_be_a_host_with_an_optional_port_and_nothing_else)
{
    auto options = parse(
        { "--api-host", "api.example.com:8443", "--agent-host", "10.0.0.2", "--web-host", "localhost:1" });
    ASSERT_TRUE(options.isOk());
    EXPECT_EQ(options.value().apiHost, "api.example.com:8443");
    EXPECT_EQ(options.value().agentHost, "10.0.0.2");

    for (const char* bad : { "http://x", "x:0", "x:65536", "x:", ":80", "x/y", "x:80a", "" })
        EXPECT_TRUE(parse({ "--api-host", bad }).isError()) << bad;
    EXPECT_TRUE(parse({ "--web-host" }).isError());
}

TEST(ProgramOptionsTest, a_script_runs_only_headless_and_headless_needs_a_script)
{
    auto options = parse({ "--demo", "--headless", "--script", "-", "--trace", "--home", "/tmp/h" });
    ASSERT_TRUE(options.isOk());
    EXPECT_TRUE(options.value().demo);
    EXPECT_EQ(options.value().script, "-");
    EXPECT_EQ(options.value().home, std::filesystem::path("/tmp/h"));

    EXPECT_TRUE(parse({ "--script", "a.txt" }).isError());
    EXPECT_TRUE(parse({ "--headless" }).isError());
    EXPECT_TRUE(parse({ "--headless", "--script" }).isError());
    EXPECT_TRUE(parse({ "--home" }).isError());
    EXPECT_TRUE(parse({ "--demo", "--colour" }).isError());
}

} // namespace
