#include "RecordingUi.h"
#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/TableView.h"
#include "platform/net/CurlTransport.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/NetworkState.h"
#include "refresh/RefreshBackNormalFooter.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "server/MerchantHttpServer.h"
#include "support/ScreenHarness.h"

#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Events = std::vector<std::string>;
using Kind = merchant::FaultKind;
constexpr int kCollection = NetUtilSign::receivableKeyFlag;
constexpr int kMember = NetUtilSign::memberKeyFlag;
const std::string kBusy = "toast " + std::string(NetUtilSign::serverBusyMessage);
const std::string kKeyInvalid = "toast " + std::string(NetUtilSign::keyInvalidMessage);
const std::string kNoNetwork = "toast " + std::string(NetUtilSign::noNetworkMessage);

// The real network, counting finished requests so the test can wait for them
// without sleeping, and keeping each request as the client asked for it.
class CountingTransport final : public net::Transport {
public:
    TaskId start(net::URLRequest request, Events events) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_started.push_back(request);
        }
        // Stands in for the 10 s wait: the server's delay outlasts the shorter one.
        if (m_shortTimeout)
            request.setTimeoutInterval(*m_shortTimeout);
        events.didComplete = [this, inner = std::move(events.didComplete)](const auto& error) {
            inner(error);
            ++m_completed;
            foundation::RunLoop::main().wakeUp();
        };
        return m_network->start(std::move(request), std::move(events));
    }
    void cancel(TaskId task) override { m_network->cancel(task); }

    std::vector<net::URLRequest> started() const
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }
    size_t completed() const { return m_completed; }
    void shortenTimeout(std::optional<double> seconds) { m_shortTimeout = seconds; }

private:
    std::shared_ptr<net::CurlTransport> m_network = std::make_shared<net::CurlTransport>();
    mutable std::mutex m_mutex;
    std::vector<net::URLRequest> m_started;
    std::atomic<size_t> m_completed { 0 };
    std::optional<double> m_shortTimeout;
};

int unusedPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class SignedClientTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_backend = std::make_shared<merchant::MerchantBackend>();
        s_server = std::make_unique<merchant::MerchantHttpServer>(s_backend);
        ASSERT_TRUE(s_server->start(0));
    }
    static void TearDownTestSuite()
    {
        s_server->stop();
        s_server.reset();
    }

    void SetUp() override
    {
        s_backend->reset();
        keys = s_backend->keys();
        pointAt(s_server->host());
        // Only the service hosts' loopback rule makes anything reachable.
        net::NetworkState::setSource(std::make_shared<net::FakeNetworkStateSource>());
        net::Transport::install(m_transport);
        SignedClientUi::install(m_ui);
        auto& defaults = foundation::UserDefaults::standard();
        defaults.setObject(keys.collectionKey, KEY_RECEIVABLE);
        defaults.setObject(keys.collectionSecret, KEY_RECEIVABLE_ENCRYPT);
        defaults.setObject(keys.memberKey, KEY_MEMBER);
        defaults.setObject(keys.memberSecret, KEY_MEMBER_ENCRYPT);

        list = std::make_shared<kit::TableView>(graphics::Rect(0, 0, 320, 480));
        harness.window()->addSubview(list);
        setHeader(*list, listHeader);
        setFooter(*list, listFooter);
    }
    void TearDown() override
    {
        settle();
        SignedClientUi::install(nullptr);
        net::Transport::install(nullptr);
        net::NetworkState::setServiceHosts({});
        net::NetworkState::setSource(nullptr);
        URLConfig::setApiHost(std::string(URLConfig::defaultApiHost));
    }

    static void pointAt(const std::string& host)
    {
        URLConfig::setApiHost(host);
        net::NetworkState::setServiceHosts({ host });
    }
    static void fault(Kind kind, const std::string& path = std::string(URLConfig::GET_SHOP_INFO))
    {
        s_backend->addFault({ .kind = kind, .path = path, .remaining = 1, .info = {}, .delayMs = 2000 });
    }

    // Waits for every request sent so far, then runs what their completions posted.
    void settle()
    {
        auto& loop = foundation::RunLoop::main();
        loop.runUntil([this] { return m_transport->completed() >= m_transport->started().size(); });
        loop.runUntilIdle();
    }
    Events takeEvents() { return std::exchange(m_ui->events, {}); }

    // The block notes its reply among the prompts, and whether the list was
    // still refreshing when it ran.
    ReplyTextCallback recordReply()
    {
        return [this](const std::optional<std::string>& reply) {
            replies.push_back(reply);
            m_ui->events.push_back(listHeader->isRefreshing() ? "reply (list refreshing)" : "reply");
        };
    }
    void startRefreshing()
    {
        listHeader->beginRefreshing();
        listFooter->beginRefreshing();
        harness.runUntilIdle();
        ASSERT_TRUE(listHeader->isRefreshing() && listFooter->isRefreshing());
    }
    bool listStopped() const { return !listHeader->isRefreshing() && !listFooter->isRefreshing(); }

    static inline std::shared_ptr<merchant::MerchantBackend> s_backend;
    static inline std::unique_ptr<merchant::MerchantHttpServer> s_server;

    support::ScreenHarness harness;
    merchant::MerchantState::KeyPairs keys;
    std::vector<std::optional<std::string>> replies;
    std::shared_ptr<CountingTransport> m_transport = std::make_shared<CountingTransport>();
    std::shared_ptr<RecordingUi> m_ui = std::make_shared<RecordingUi>();
    std::shared_ptr<kit::TableView> list;
    std::shared_ptr<RefreshNormalHeader> listHeader = RefreshNormalHeader::headerWithRefreshingBlock({});
    std::shared_ptr<RefreshBackNormalFooter> listFooter
        = RefreshBackNormalFooter::footerWithRefreshingBlock({});
};

} // namespace

TEST_F(SignedClientTest, post_sends_the_unescaped_pair_text_under_the_chosen_pair_with_both_headers)
{
    NetUtilSign::doPost(URLConfig::REASONS, "加载中", kMember, { { "reason", "a&b=c 满" } }, recordReply());
    settle();
    NetUtilSign::doPost(URLConfig::GET_MEMBER_LIST, "加载中", kMember,
        { { "currentpage", "1" }, { "pagesize", "10" } }, recordReply());
    settle();
    NetUtilSign::doPost(URLConfig::GET_SHOP_INFO, std::nullopt, kCollection, {}, recordReply());
    settle();

    auto sent = m_transport->started();
    ASSERT_EQ(sent.size(), 3u);
    for (const auto& request : sent) {
        EXPECT_EQ(request.httpMethod(), "POST");
        EXPECT_EQ(request.valueForHTTPHeaderField("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(request.timeoutInterval(), 10.0);
    }
    EXPECT_EQ(sent[0].url(), "http://" + s_server->host() + std::string(URLConfig::REASONS));
    EXPECT_EQ(sent[0].valueForHTTPHeaderField("qvkey"), keys.memberKey);
    EXPECT_EQ(sent[2].valueForHTTPHeaderField("qvkey"), keys.collectionKey);
    EXPECT_FALSE(sent[2].httpBody().has_value()) << "no parameters, no body";

    auto log = s_backend->requestLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].plain, "reason=a&b=c 满") << "encrypted as typed, nothing escaped";
    EXPECT_EQ(log[1].plain, "currentpage=1&pagesize=10") << "no trailing \"&\"";
    EXPECT_EQ(log[2].key, "collection");

    ASSERT_EQ(replies.size(), 3u);
    for (const auto& reply : replies)
        EXPECT_TRUE(JsonUtil::isSuccess(JsonUtil::getJSONObject(reply))) << reply.value_or("(absent)");
    // Each overlay stays up until its reply has been handled.
    EXPECT_EQ(takeEvents(),
        (Events { "overlay 加载中", "reply", "close", "overlay 加载中", "reply", "close",
            "overlay (no label)", "reply", "close" }));
}

TEST_F(SignedClientTest, each_failure_of_a_post_with_overlay_ends_in_its_own_prompts)
{
    struct Case {
        Kind kind;
        int keyFlag;
        Events expected;
    };
    const std::vector<Case> cases = {
        { Kind::Http500, kCollection, { kBusy, "close" } },
        { Kind::Http403, kMember, { kKeyInvalid, "close", "member key alert" } },
        { Kind::Http404, kCollection, { kKeyInvalid, "close", "collection key alert" } },
        { Kind::Http404, 7, { kKeyInvalid, "close", "member key alert" } },
        { Kind::Drop, kCollection, { "close", kNoNetwork } },
        { Kind::Slow, kCollection, { "close", kNoNetwork } },
        // A body that is empty or does not decrypt still reaches the screen, whose parse finds nothing;
        // one that does not decrypt says first that the key is likely wrong, and asks for it after.
        { Kind::EmptyBody, kCollection, { "reply", "close" } },
        { Kind::Undecryptable, kCollection, { kKeyInvalid, "reply", "close", "collection key alert" } },
        { Kind::Undecryptable, kMember, { kKeyInvalid, "reply", "close", "member key alert" } },
    };
    for (const auto& c : cases) {
        // Only the slow case waits for the time-out; the others keep the real
        // one, so a loaded machine cannot turn a prompt answer into a time-out.
        m_transport->shortenTimeout(c.kind == Kind::Slow ? std::optional(1.0) : std::nullopt);
        auto const path
            = std::string(c.keyFlag == kCollection ? URLConfig::GET_SHOP_INFO : URLConfig::REASONS);
        fault(c.kind, path);
        NetUtilSign::doPost(path, "请稍候", c.keyFlag, {}, recordReply());
        settle();
        Events expected { "overlay 请稍候" };
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(takeEvents(), expected)
            << merchant::FaultSwitches::nameOf(c.kind) << " key flag " << c.keyFlag;
    }
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0], "");
    EXPECT_FALSE(JsonUtil::getJSONObject(replies[1]).has_value());
    replies.clear();

    // A key the server does not know is refused like the fault, and a dead port is no reply.
    foundation::UserDefaults::standard().setObject(std::string("not-our-key"), KEY_MEMBER);
    NetUtilSign::doPost(URLConfig::REASONS, "a", kMember, {}, recordReply());
    settle();
    pointAt("127.0.0.1:" + std::to_string(unusedPort()));
    NetUtilSign::doPost(URLConfig::REASONS, "b", kMember, {}, recordReply());
    settle();
    EXPECT_EQ(takeEvents(),
        (Events { "overlay a", kKeyInvalid, "close", "member key alert", "overlay b", "close", kNoNetwork }));
    EXPECT_TRUE(replies.empty());
}

TEST_F(SignedClientTest, no_network_sends_nothing_shows_no_overlay_and_stops_the_list)
{
    net::NetworkState::setServiceHosts({});
    startRefreshing();
    EXPECT_FALSE(NetUtilSign::isConnectionAvailable());
    NetUtilSign::doPost(URLConfig::GET_SHOP_INFO, "a", kCollection, {}, recordReply());
    NetUtilSign::doPostForNotLoading(URLConfig::GET_SHOP_INFO, kCollection, {}, recordReply());
    NetUtilSign::getQrcodeImage("http://" + s_server->host() + "/images/portrait/1.png", "b", {});
    EXPECT_TRUE(listHeader->isRefreshing());
    NetUtilSign::doPostForDownRefresh(URLConfig::GET_ORDER_LIST, list, kCollection, {}, recordReply());
    harness.runUntilIdle();

    EXPECT_TRUE(listStopped());
    EXPECT_TRUE(m_transport->started().empty());
    EXPECT_TRUE(s_backend->requestLog().empty());
    EXPECT_EQ(takeEvents(), Events(5, kNoNetwork));
}

// A pull that met a refused key or a busy server said nothing, and a list
// whose reply did not decrypt under a mistyped key stayed blank in silence:
// a list says what a screen with its overlay says; only the pollers, which
// ask again by themselves, pass every status on.
TEST_F(SignedClientTest, list_posts_say_a_refused_key_a_busy_server_and_a_wrong_key_and_always_stop_the_list)
{
    std::string const orders(URLConfig::GET_ORDER_LIST);
    struct Case {
        Kind kind;
        Events expected;
    };
    const std::vector<Case> cases = {
        { Kind::Http404, { kKeyInvalid, "collection key alert" } },
        { Kind::Http500, { kBusy } },
        { Kind::Undecryptable, { kKeyInvalid, "reply (list refreshing)", "collection key alert" } },
        { Kind::Drop, { kNoNetwork } },
    };
    for (bool memberUi : { false, true }) {
        for (const auto& c : cases) {
            startRefreshing();
            fault(c.kind, orders);
            if (memberUi)
                NetUtilSign::doPostForMemberUIDownRefresh(orders, list, kCollection, {}, recordReply());
            else
                NetUtilSign::doPostForDownRefresh(orders, list, kCollection, {}, recordReply());
            settle();
            EXPECT_EQ(takeEvents(), c.expected) << merchant::FaultSwitches::nameOf(c.kind) << " " << memberUi;
            // The member screens' variant leaves the stopping to the block after a reply.
            EXPECT_EQ(listStopped(), !memberUi || c.kind != Kind::Undecryptable)
                << merchant::FaultSwitches::nameOf(c.kind) << " " << memberUi;
        }
    }
    startRefreshing();
    NetUtilSign::doPostForMemberUIDownRefresh(orders, list, kCollection, {}, recordReply());
    settle();
    EXPECT_FALSE(listStopped());
    NetUtilSign::endRefreshing(list);

    for (auto kind : { Kind::Http500, Kind::Http404, Kind::Undecryptable }) {
        fault(kind, orders);
        NetUtilSign::doPostForNotLoading(orders, kCollection, {}, recordReply());
        settle();
    }
    fault(Kind::Drop, orders);
    NetUtilSign::doPostForNotLoading(orders, kCollection, {}, recordReply());
    // Settled apart: two requests in flight at once may finish in either order.
    settle();
    EXPECT_EQ(takeEvents(), (Events { "reply (list refreshing)", "reply", "reply", "reply", kNoNetwork }));
    // A list gone before its reply is simply left alone.
    NetUtilSign::doPostForDownRefresh(orders, list, kCollection, {}, recordReply());
    list->removeFromSuperview();
    list.reset();
    settle();
    EXPECT_EQ(takeEvents(), (Events { "reply" }));
}

TEST_F(SignedClientTest, qr_image_fetch_hands_over_the_bytes_whatever_they_are)
{
    std::vector<std::string> images;
    auto record = [&](const std::string& bytes) {
        images.push_back(bytes);
        m_ui->events.push_back("image");
    };
    std::vector<std::string> const urls { "http://" + s_server->host() + "/images/portrait/1.png",
        // An error status with an empty body is still the bytes that came.
        "http://" + s_server->host() + "/images/none.png",
        "http://127.0.0.1:" + std::to_string(unusedPort()) + "/q.png" };
    NetUtilSign::getQrcodeImage(urls[0], "a", record);
    settle();
    NetUtilSign::getStaticQrcodeImage(urls[1], "b", record);
    settle();
    NetUtilSign::getQrcodeImage(urls[2], "c", record);
    settle();

    auto sent = m_transport->started();
    ASSERT_EQ(sent.size(), 3u);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].url(), urls[i]);
        EXPECT_EQ(sent[i].httpMethod(), "GET") << i;
        EXPECT_FALSE(sent[i].httpBody()) << i;
        EXPECT_TRUE(sent[i].allHTTPHeaderFields().empty()) << "no merchant key goes with an image";
        EXPECT_EQ(sent[i].timeoutInterval(), 10.0) << i;
    }
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].substr(0, 4), "\x89PNG");
    EXPECT_EQ(images[1], "");
    EXPECT_EQ(takeEvents(),
        (Events { "overlay a", "image", "close", "overlay b", "image", "close", "overlay c", "close",
            kNoNetwork }));
}
