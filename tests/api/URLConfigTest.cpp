#include "api/URLConfig.h"

#include <gtest/gtest.h>

// The hosts are process-wide settings, so the test puts them back.
TEST(URLConfig, BasesFollowHostsSetAtRunTime)
{
    std::string const api = URLConfig::apiHost();
    std::string const agent = URLConfig::agentHost();
    std::string const web = URLConfig::webHost();

    URLConfig::setApiHost("127.0.0.1:4100");
    URLConfig::setAgentHost("agent.test");
    URLConfig::setWebHost("www.test:81");
    // The signed client joins the base and a path that starts with "/".
    EXPECT_EQ(URLConfig::apiBase() + std::string(URLConfig::CHECK_STAFF),
        "http://127.0.0.1:4100/PayApi/OfflinePay/checkStaff/");
    // The HTTP engine takes the agent base as its host name and adds the scheme.
    EXPECT_EQ(URLConfig::agentBase(), "agent.test/Api");
    EXPECT_EQ(URLConfig::webBase(), "http://www.test:81");

    URLConfig::setApiHost(api);
    URLConfig::setAgentHost(agent);
    URLConfig::setWebHost(web);
}
