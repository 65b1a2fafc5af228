#include "RecordingUi.h"
#include "api/Md5Util.h"
#include "api/NetUtil.h"
#include "api/URLConfig.h"
#include "netengine/NetworkEngine.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/Transport.h"
#include "server/MerchantHttpServer.h"
#include "support/ScreenHarness.h"

#include <gtest/gtest.h>

namespace {

using Events = std::vector<std::string>;

class PlainClientTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The transport sets up libcurl, and with it OpenSSL, on the thread
        // that first asks for it. Asked first from a worker queue, OpenSSL's
        // per-thread state would stay with a thread that outlives the leak
        // check; the program asks on its main thread, and so does this.
        net::Transport::current();
        s_backend = std::make_shared<merchant::MerchantBackend>();
        s_server = std::make_unique<merchant::MerchantHttpServer>(s_backend);
        ASSERT_TRUE(s_server->start(0));
        URLConfig::setAgentHost(s_server->host());
    }
    static void TearDownTestSuite()
    {
        s_server->stop();
        s_server.reset();
        URLConfig::setAgentHost(std::string(URLConfig::defaultAgentHost));
    }
    void SetUp() override
    {
        s_backend->reset();
        net::NetworkState::setSource(m_network);
        net::NetworkState::setServiceHosts({ s_server->host() });
        SignedClientUi::install(m_ui);
    }
    void TearDown() override
    {
        SignedClientUi::install(nullptr);
        net::NetworkState::setServiceHosts({});
        net::NetworkState::setSource(nullptr);
    }

    ImageDataCallback recordImage()
    {
        return [this](const std::string& bytes) {
            m_ui->events.push_back(bytes.empty() ? "image none" : "image " + bytes.substr(1, 3));
        };
    }
    // Waits, without sleeping, until the callback has told its result.
    void waitForImage()
    {
        foundation::RunLoop::main().runUntil(
            [this] { return !m_ui->events.empty() && m_ui->events.back().starts_with("image"); });
    }

    ReplyTextCallback recordReply()
    {
        return [this](const std::optional<std::string>& reply) {
            m_ui->events.push_back("reply " + reply.value_or("(none)"));
        };
    }
    // Until the engine has finished every request and run its handlers.
    void settle()
    {
        foundation::RunLoop::main().runUntil([] { return NetworkEngine::pendingOperationCount() == 0; });
        m_harness.runUntilIdle();
    }
    static void failOnce(merchant::FaultKind kind)
    {
        s_backend->addFault({ .kind = kind,
            .path = "/Api/Alipay/modifyStaffPassword",
            .remaining = 1,
            .info = {},
            .delayMs = 0 });
    }
    NetUtil::Parameters passwordChange(const std::string& oldPassword, const std::string& newPassword)
    {
        return { { "key", s_backend->keys().collectionKey }, { "username", "boss" },
            { "password", Md5Util::md5_32(oldPassword) }, { "newpassword", Md5Util::md5_32(newPassword) } };
    }

    static inline std::shared_ptr<merchant::MerchantBackend> s_backend;
    static inline std::unique_ptr<merchant::MerchantHttpServer> s_server;
    support::ScreenHarness m_harness;
    std::shared_ptr<net::FakeNetworkStateSource> m_network = std::make_shared<net::FakeNetworkStateSource>();
    std::shared_ptr<RecordingUi> m_ui = std::make_shared<RecordingUi>();
};

} // namespace

TEST_F(PlainClientTest, image_read_closes_its_overlay_before_handing_over_the_bytes)
{
    NetUtil::getNetImage(
        "http://" + s_server->host() + "/images/portrait/1.png", "生成支付码中...", recordImage());
    waitForImage();
    EXPECT_EQ(m_ui->events, (Events { "overlay 生成支付码中...", "close", "image PNG" }));
}

TEST_F(PlainClientTest, image_read_that_fails_closes_the_overlay_silently_and_hands_over_nothing)
{
    // A port nothing listens on: the whole read fails.
    net::NetworkState::setServiceHosts({ "127.0.0.1:1" });
    NetUtil::getNetImage("http://127.0.0.1:1/qr/none.png", std::nullopt, recordImage());
    waitForImage();
    EXPECT_EQ(m_ui->events, (Events { "overlay (no label)", "close", "image none" }));
}

TEST_F(PlainClientTest, post_reaches_the_agent_as_a_plain_form_and_closes_its_overlay_after_the_reply)
{
    NetUtil::doPost(
        URLConfig::MODIFY_STAFF_PASSWORD, std::nullopt, passwordChange("123456", "654321"), recordReply());
    settle();
    EXPECT_EQ(m_ui->events,
        (Events { "overlay (no label)", "reply {\"status\":\"1\",\"info\":\"密码修改成功\"}", "close" }));
    auto const log = s_backend->requestLog();
    auto const& logged = log.back();
    EXPECT_EQ(logged.path, "/Api/Alipay/modifyStaffPassword");
    EXPECT_EQ(logged.params["newpassword"], Md5Util::md5_32("654321"));
    EXPECT_EQ(NetUtil::sharedEngine(), NetUtil::sharedEngine()) << "one engine serves every request";
}

TEST_F(PlainClientTest, failed_requests_toast_no_network_close_the_overlay_and_never_call_back)
{
    for (auto kind : { merchant::FaultKind::Http500, merchant::FaultKind::Drop }) {
        failOnce(kind);
        NetUtil::doPost(
            URLConfig::MODIFY_STAFF_PASSWORD, std::nullopt, passwordChange("123456", "x"), recordReply());
        settle();
    }
    failOnce(merchant::FaultKind::Http404);
    NetUtil::doPostForNotLoading(
        URLConfig::MODIFY_STAFF_PASSWORD, passwordChange("123456", "x"), recordReply());
    settle();
    EXPECT_EQ(m_ui->events,
        (Events { "overlay (no label)", "toast 连接失败，请检查您的网络连接！", "close", "overlay (no label)",
            "toast 连接失败，请检查您的网络连接！", "close", "toast 连接失败，请检查您的网络连接！！" }));
}

TEST_F(PlainClientTest, agent_answering_304_ends_the_request_like_a_failure_within_its_deadline)
{
    // The screen has no not-modified handler: the answer must still end its
    // overlay, or the password change would wait behind it for ever.
    auto fake = std::make_shared<net::FakeTransport>();
    fake->addReply("/Api/Alipay/modifyStaffPassword", net::FakeTransport::Reply::status(304));
    net::Transport::install(fake);
    NetUtil::doPost(
        URLConfig::MODIFY_STAFF_PASSWORD, std::nullopt, passwordChange("123456", "x"), recordReply());
    settle();
    net::Transport::install(nullptr);
    EXPECT_EQ(
        m_ui->events, (Events { "overlay (no label)", "toast 连接失败，请检查您的网络连接！", "close" }));
    // A reply read whole behind an overlay keeps a bound however it drips.
    ASSERT_EQ(fake->sentRequests().size(), 1u);
    EXPECT_EQ(fake->sentRequests()[0].deadlineInterval(),
        net::URLRequest::defaultDeadlineMultiple * NetworkOperation::timeoutInterval);
}

TEST_F(PlainClientTest, without_a_network_a_post_or_image_read_sends_nothing_and_only_toasts)
{
    net::NetworkState::setServiceHosts({});
    auto const before = s_backend->requestLog().size();
    NetUtil::doPost(
        URLConfig::MODIFY_STAFF_PASSWORD, std::nullopt, passwordChange("123456", "x"), recordReply());
    NetUtil::getNetImage(
        "http://" + s_server->host() + "/images/portrait/1.png", "生成支付码中...", recordImage());
    settle();
    EXPECT_EQ(m_ui->events, (Events(2, "toast 连接失败，请检查您的网络连接！")));
    EXPECT_EQ(s_backend->requestLog().size(), before);
}
