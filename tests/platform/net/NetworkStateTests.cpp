#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/LinuxNetworkStateSource.h"
#include "platform/net/NetworkReachability.h"
#include "platform/net/NetworkState.h"

#include <atomic>
#include <deque>
#include <gtest/gtest.h>
#include <utility>

using namespace net;

namespace {

constexpr ReachabilityFlags kDirect = kReachabilityFlagsReachable | kReachabilityFlagsIsDirect;

// Stands in for a dispatch queue: tasks wait until the test runs them.
struct ManualQueue {
    std::deque<std::function<void()>> tasks;
    NetworkReachability::Executor executor()
    {
        return [this](std::function<void()> task) { tasks.push_back(std::move(task)); };
    }
    void runAll()
    {
        while (!tasks.empty()) {
            auto task = std::move(tasks.front());
            tasks.pop_front();
            task();
        }
    }
};

class NetworkStateTest : public testing::Test {
protected:
    void SetUp() override { NetworkState::setSource(m_fake); }
    void TearDown() override
    {
        NetworkState::setServiceHosts({});
        NetworkState::setSource(nullptr);
    }

    ReachabilityTarget address(const char* text)
    {
        return ReachabilityTarget::fromAddress(*SocketAddress::parse(text));
    }

    std::shared_ptr<FakeNetworkStateSource> m_fake = std::make_shared<FakeNetworkStateSource>();
};

} // namespace

TEST_F(NetworkStateTest, loopback_only_back_ends_make_the_generic_targets_reachable_without_a_network)
{
    m_fake->setDefaultFlags(0);
    NetworkState::setServiceHosts({ "http://127.0.0.1:8080", "localhost:8081/Api" });
    EXPECT_EQ(NetworkState::flags(address("0.0.0.0")), kReachabilityFlagsLoopback);
    EXPECT_EQ(NetworkState::flags(address("169.254.0.0")), kReachabilityFlagsLoopback);
    // Only the generic questions are answered for the back end; others still ask the network.
    EXPECT_EQ(NetworkState::flags(address("192.0.2.1")), 0u);
}

TEST_F(NetworkStateTest, any_remote_back_end_or_none_at_all_leaves_the_answer_to_the_network)
{
    m_fake->setDefaultFlags(0);
    EXPECT_EQ(NetworkState::flags(address("0.0.0.0")), 0u);
    NetworkState::setServiceHosts({ "http://127.0.0.1:8080", "http://pay.example.com" });
    EXPECT_EQ(NetworkState::flags(address("0.0.0.0")), 0u);
    NetworkState::setServiceHosts({ "not a host" });
    EXPECT_EQ(NetworkState::flags(address("169.254.0.0")), 0u);
    m_fake->setFlags("0.0.0.0", kDirect);
    EXPECT_EQ(NetworkState::flags(address("0.0.0.0")), kDirect);
}

TEST_F(NetworkStateTest, callback_runs_on_its_queue_only_when_the_flags_change)
{
    auto target = NetworkReachability::createWithAddress(*SocketAddress::parse("0.0.0.0"));
    ManualQueue queue;
    std::vector<ReachabilityFlags> seen;
    target->setCallback([&](ReachabilityFlags flags) { seen.push_back(flags); });
    target->setDispatchQueue(queue.executor());
    ASSERT_TRUE(m_fake->isStarted());

    m_fake->triggerChange();
    EXPECT_TRUE(queue.tasks.empty());

    m_fake->setFlags("0.0.0.0", kDirect);
    m_fake->triggerChange();
    EXPECT_TRUE(seen.empty());
    queue.runAll();
    EXPECT_EQ(seen, std::vector<ReachabilityFlags> { kDirect });

    // A change of back ends is a change of the generic targets' answer.
    m_fake->setFlags("0.0.0.0", 0);
    NetworkState::setServiceHosts({ "127.0.0.1" });
    queue.runAll();
    EXPECT_EQ(seen, (std::vector<ReachabilityFlags> { kDirect, kReachabilityFlagsLoopback }));
}

TEST_F(NetworkStateTest, detaching_the_last_target_stops_the_source_and_its_callbacks)
{
    auto first = NetworkReachability::createWithName("pay.example.com");
    auto second = NetworkReachability::createWithName("agent.example.com/Api");
    ManualQueue queue;
    int calls = 0;
    for (const auto& target : { first, second }) {
        target->setCallback([&](ReachabilityFlags) { ++calls; });
        target->setDispatchQueue(queue.executor());
    }
    first->setDispatchQueue(nullptr);
    EXPECT_TRUE(m_fake->isStarted());
    second->setCallback(nullptr);
    EXPECT_FALSE(m_fake->isStarted());

    m_fake->setDefaultFlags(kDirect);
    m_fake->triggerChange();
    queue.runAll();
    EXPECT_EQ(calls, 0);
}

TEST_F(NetworkStateTest, replacing_the_source_moves_running_watches_to_it)
{
    auto target = NetworkReachability::createWithAddress(*SocketAddress::parse("169.254.0.0"));
    ManualQueue queue;
    std::vector<ReachabilityFlags> seen;
    target->setCallback([&](ReachabilityFlags flags) { seen.push_back(flags); });
    target->setDispatchQueue(queue.executor());

    auto replacement = std::make_shared<FakeNetworkStateSource>();
    replacement->setDefaultFlags(kDirect);
    NetworkState::setSource(replacement);
    EXPECT_FALSE(m_fake->isStarted());
    EXPECT_TRUE(replacement->isStarted());
    queue.runAll();
    EXPECT_EQ(seen, std::vector<ReachabilityFlags> { kDirect });
    target->setCallback(nullptr);
}

TEST_F(NetworkStateTest, target_dropped_with_a_change_in_flight_is_not_called)
{
    auto target = NetworkReachability::createWithAddress(*SocketAddress::parse("0.0.0.0"));
    ManualQueue queue;
    target->setCallback([](ReachabilityFlags) {});
    target->setDispatchQueue(queue.executor());
    target.reset();
    EXPECT_FALSE(m_fake->isStarted());
    m_fake->triggerChange();
    EXPECT_TRUE(queue.tasks.empty());
}

namespace {

NetworkSnapshot snapshotWithDefaultRoute(bool withDefaultRoute)
{
    NetworkSnapshot snapshot;
    snapshot.interfaces = { { "eth0", true, false, { { *SocketAddress::parse("192.0.2.10"), 24 } } } };
    if (withDefaultRoute)
        snapshot.routes
            = NetworkSnapshot::parseIPv4Routes("eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n");
    return snapshot;
}

} // namespace

TEST(LinuxNetworkStateSource, names_resolve_once_per_network_state_and_unknown_names_give_zero)
{
    std::atomic<bool> withDefaultRoute = true;
    std::vector<std::string> asked;
    LinuxNetworkStateSource source([&] { return std::optional(snapshotWithDefaultRoute(withDefaultRoute)); },
        [&](const std::string& host) {
            asked.push_back(host);
            if (host == "pay.example.com")
                return std::vector { *SocketAddress::parse("198.51.100.7") };
            return std::vector<SocketAddress> {};
        });
    int changes = 0;
    source.start([&] { ++changes; });

    auto name = *ReachabilityTarget::fromName("PAY.example.com:443/PayApi");
    EXPECT_EQ(source.flags(name), kReachabilityFlagsReachable);
    EXPECT_EQ(source.flags(name), kReachabilityFlagsReachable);
    EXPECT_EQ(source.flags(*ReachabilityTarget::fromName("nowhere.invalid")), 0u);
    EXPECT_EQ(source.flags(*ReachabilityTarget::fromName("localhost")), kReachabilityFlagsLoopback);
    EXPECT_EQ(asked, (std::vector<std::string> { "pay.example.com", "nowhere.invalid" }));

    source.checkForChange();
    EXPECT_EQ(changes, 0);
    withDefaultRoute = false;
    source.checkForChange();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(source.flags(name), 0u);
    EXPECT_EQ(asked.size(), 3u);
    source.stop();
}

TEST(LinuxNetworkStateSource, state_kept_between_questions_is_read_again_when_the_network_goes_away)
{
    bool withDefaultRoute = true;
    bool changed = false;
    int reads = 0;
    std::vector<std::string> asked;
    LinuxNetworkStateSource source(
        [&] {
            ++reads;
            return std::optional(snapshotWithDefaultRoute(withDefaultRoute));
        },
        [&](const std::string& host) {
            asked.push_back(host);
            return std::vector { *SocketAddress::parse("198.51.100.7") };
        },
        [&] { return std::exchange(changed, false); });
    auto const internet = ReachabilityTarget::fromAddress(*SocketAddress::parse("0.0.0.0"));
    auto const name = *ReachabilityTarget::fromName("pay.example.com");
    EXPECT_EQ(source.flags(internet), kDirect);
    EXPECT_EQ(source.flags(name), kReachabilityFlagsReachable);
    EXPECT_EQ(source.flags(internet), kDirect);
    EXPECT_EQ(reads, 1);

    withDefaultRoute = false;
    changed = true;
    EXPECT_EQ(source.flags(internet), 0u);
    EXPECT_EQ(source.flags(name), 0u);
    EXPECT_EQ(reads, 2);
    // On another network a name may stand for other addresses.
    EXPECT_EQ(asked.size(), 2u);
}

TEST(LinuxNetworkStateSource, unreadable_state_answers_nothing_rather_than_unreachable)
{
    LinuxNetworkStateSource source([] { return std::optional<NetworkSnapshot>(); },
        [](const std::string&) { return std::vector<SocketAddress> {}; });
    EXPECT_EQ(source.flags(ReachabilityTarget::fromAddress(*SocketAddress::parse("0.0.0.0"))), std::nullopt);
}

TEST(LinuxNetworkStateSource, stop_inside_the_change_handler_ends_the_notices)
{
    std::atomic<bool> withDefaultRoute = true;
    LinuxNetworkStateSource source([&] { return std::optional(snapshotWithDefaultRoute(withDefaultRoute)); },
        [](const std::string&) { return std::vector<SocketAddress> {}; });
    int changes = 0;
    source.start([&] {
        ++changes;
        source.stop();
    });
    withDefaultRoute = false;
    source.checkForChange();
    withDefaultRoute = true;
    source.checkForChange();
    EXPECT_EQ(changes, 1);
}
