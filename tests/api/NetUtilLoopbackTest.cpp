#include "api/NetUtil.h"
#include "api/SignedClientUi.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/Transport.h"
#include "server/MerchantHttpServer.h"
#include "support/ScreenHarness.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using Events = std::vector<std::string>;

// What the plain client shows, in order, with the callback's results among it.
class PromptLog final : public SignedClientUi {
public:
    std::shared_ptr<void> showProgressDialog(const std::optional<std::string>& text) override
    {
        events.push_back("overlay " + text.value_or("(no label)"));
        auto overlay = std::make_shared<int>(0);
        m_open.insert(overlay.get());
        return overlay;
    }
    void closeProgressDialog(const std::shared_ptr<void>& overlay) override
    {
        events.push_back(m_open.erase(overlay.get()) ? "close" : "close of an overlay not open");
    }
    void toast(const std::string& text) override { events.push_back("toast " + text); }
    void setReceivableKey() override { }
    void setMemberKey() override { }

    Events events;

private:
    std::set<void*> m_open;
};

class PlainClientTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The transport sets up libcurl, and with it OpenSSL, on the thread
        // that first asks for it. Asked first from a worker queue, OpenSSL's
        // per-thread state would stay with a thread that outlives the leak
        // check; the program asks on its main thread, and so does this.
        net::Transport::current();
        s_server
            = std::make_unique<merchant::MerchantHttpServer>(std::make_shared<merchant::MerchantBackend>());
        ASSERT_TRUE(s_server->start(0));
    }
    static void TearDownTestSuite()
    {
        s_server->stop();
        s_server.reset();
    }
    void SetUp() override
    {
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

    static inline std::unique_ptr<merchant::MerchantHttpServer> s_server;
    support::ScreenHarness m_harness;
    std::shared_ptr<net::FakeNetworkStateSource> m_network = std::make_shared<net::FakeNetworkStateSource>();
    std::shared_ptr<PromptLog> m_ui = std::make_shared<PromptLog>();
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

TEST_F(PlainClientTest, image_read_without_a_network_asks_nothing_and_never_calls_back)
{
    net::NetworkState::setServiceHosts({});
    NetUtil::getNetImage(
        "http://" + s_server->host() + "/images/portrait/1.png", "生成支付码中...", recordImage());
    m_harness.runUntilIdle();
    EXPECT_EQ(m_ui->events, (Events { "toast 连接失败，请检查您的网络连接！" }));
}
