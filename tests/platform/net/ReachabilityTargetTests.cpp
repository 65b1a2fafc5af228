#include "platform/net/ReachabilityTarget.h"

#include <gtest/gtest.h>

using namespace net;

TEST(ReachabilityTarget, host_text_with_port_or_path_names_its_host)
{
    auto withPath = ReachabilityTarget::fromName("Agent.Example.com:8081/Api");
    ASSERT_TRUE(withPath);
    EXPECT_EQ(withPath->host(), "agent.example.com");
    EXPECT_EQ(withPath->text(), "Agent.Example.com:8081/Api");
    EXPECT_FALSE(withPath->address());

    auto bracketed = ReachabilityTarget::fromName("[::1]:8080/Api");
    ASSERT_TRUE(bracketed);
    EXPECT_TRUE(bracketed->isLoopback());

    auto literal = ReachabilityTarget::fromName("10.1.2.3:80");
    ASSERT_TRUE(literal);
    EXPECT_EQ(literal->address(), SocketAddress::parse("10.1.2.3"));
}

TEST(ReachabilityTarget, text_that_cannot_name_a_host_is_refused)
{
    for (const char* text : { "", "/Api", "bad host", "a..b", "host:", "host:99999", "host:8o", "[::1",
             "[10.0.0.1]", "http://example.com", "\xe4\xb8\xad.example" })
        EXPECT_FALSE(ReachabilityTarget::fromName(text)) << text;
    EXPECT_FALSE(ReachabilityTarget::fromName(std::string(64, 'a') + ".example"));
}

TEST(ReachabilityTarget, localhost_names_and_loopback_literals_are_this_machine)
{
    for (const char* text : { "localhost", "LOCALHOST.", "api.localhost", "127.0.0.1", "127.9.9.9", "::1" })
        EXPECT_TRUE(ReachabilityTarget::fromName(text)->isLoopback()) << text;
    for (const char* text : { "localhost.example.com", "notlocalhost", "128.0.0.1", "::2" })
        EXPECT_FALSE(ReachabilityTarget::fromName(text)->isLoopback()) << text;
}

TEST(ReachabilityTarget, service_urls_give_their_host)
{
    EXPECT_TRUE(serviceTarget("http://127.0.0.1:8080/PayApi")->isLoopback());
    EXPECT_TRUE(serviceTarget("https://user:pw@[::1]:443/x?y#z")->isLoopback());
    EXPECT_TRUE(serviceTarget("localhost/Api")->isLoopback());
    EXPECT_FALSE(serviceTarget("http://pay.example.com")->isLoopback());
    EXPECT_FALSE(serviceTarget("http://"));
}
