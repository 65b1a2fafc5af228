#include "reachability/Reachability.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/NetworkState.h"

#include <gtest/gtest.h>
#include <mutex>
#include <vector>

using namespace net;

namespace {

class ReachabilityTest : public testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        NetworkState::setSource(m_network);
    }
    void TearDown() override
    {
        NetworkState::setSource(nullptr);
        foundation::RunLoop::main().reset();
    }

    // Lets the serial queue run what the change queued, then the main loop post.
    static void deliver(const std::shared_ptr<Reachability>& reachability)
    {
        if (auto queue = reachability->reachabilitySerialQueue())
            queue->syncFlush();
        foundation::RunLoop::main().runUntilIdle();
    }

    std::shared_ptr<FakeNetworkStateSource> m_network = std::make_shared<FakeNetworkStateSource>();
};

} // namespace

TEST_F(ReachabilityTest, transient_required_connection_is_not_a_path_but_a_required_one_is)
{
    auto reachability = Reachability::reachabilityForInternetConnection();
    EXPECT_FALSE(reachability->isReachableWithFlags(0x2 | 0x4 | 0x1));
    EXPECT_TRUE(reachability->isReachableWithFlags(0x2 | 0x4));
    EXPECT_TRUE(reachability->isReachableWithFlags(0x2 | 0x1));
    EXPECT_FALSE(reachability->isReachableWithFlags(0x4 | 0x1 | 0x40000 | 0x20000));
}

TEST_F(ReachabilityTest, cellular_path_counts_only_while_wwan_is_allowed)
{
    m_network->setFlags("0.0.0.0", kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN);
    auto reachability = Reachability::reachabilityForInternetConnection();
    EXPECT_EQ(reachability->currentReachabilityStatus(), ReachabilityStatusWWAN);
    EXPECT_EQ(reachability->currentReachabilityString(), "Cellular");
    reachability->setReachableOnWWAN(false);
    EXPECT_FALSE(reachability->isReachable());
    EXPECT_TRUE(reachability->isReachableViaWWAN());
    EXPECT_EQ(reachability->currentReachabilityStatus(), ReachabilityStatusNone);
    EXPECT_EQ(reachability->currentReachabilityString(), "No Connection");
}

TEST_F(ReachabilityTest, status_and_texts_follow_the_current_flags)
{
    auto wifi = Reachability::reachabilityForLocalWiFi();
    auto internet = Reachability::reachabilityForInternetConnection();
    m_network->setFlags("169.254.0.0", kReachabilityFlagsReachable | kReachabilityFlagsIsDirect);
    EXPECT_EQ(wifi->currentReachabilityStatus(), ReachabilityStatusWiFi);
    EXPECT_EQ(wifi->currentReachabilityString(), "WiFi");
    EXPECT_EQ(wifi->currentReachabilityFlags(), "-R ------d");
    EXPECT_EQ(internet->currentReachabilityStatus(), ReachabilityStatusNone);

    m_network->setFlags("0.0.0.0", 0x7003f);
    EXPECT_EQ(internet->currentReachabilityFlags(), "WR ctiCDld");
    EXPECT_TRUE(internet->isConnectionOnDemand());
    EXPECT_TRUE(internet->isInterventionRequired());

    // A network state that cannot be read answers "no" everywhere.
    m_network->setFlags("0.0.0.0", 0);
    m_network->setDefaultFlags(std::nullopt);
    auto unknown = Reachability::reachabilityWithHostname("pay.example.com");
    EXPECT_EQ(unknown->reachabilityFlags(), 0u);
    EXPECT_EQ(unknown->currentReachabilityFlags(), "-- -------");
    EXPECT_EQ(unknown->currentReachabilityStatus(), ReachabilityStatusNone);
}

TEST_F(ReachabilityTest, host_text_that_cannot_name_a_host_gives_no_object)
{
    EXPECT_EQ(Reachability::reachabilityWithHostname(""), nullptr);
    EXPECT_EQ(Reachability::reachabilityWithHostname("no such host"), nullptr);
    EXPECT_NE(Reachability::reachabilityWithHostname("agent.example.com/Api"), nullptr);
}

TEST_F(ReachabilityTest, change_runs_the_block_on_the_serial_queue_then_posts_on_the_main_thread)
{
    auto reachability = Reachability::reachabilityWithHostname("pay.example.com");
    std::mutex mutex;
    std::vector<std::string> events;
    auto record = [&](std::string event) {
        std::scoped_lock lock(mutex);
        events.push_back(std::move(event));
    };
    reachability->setReachableBlock([&](const std::shared_ptr<Reachability>& sender) {
        record(std::string("reachable") + (foundation::DispatchQueue::isMainThread() ? " on main" : "")
            + (sender == reachability ? "" : " from another"));
    });
    reachability->setUnreachableBlock([&](const std::shared_ptr<Reachability>&) { record("unreachable"); });
    auto observer = foundation::NotificationCenter::defaultCenter().addObserverForName(
        kReachabilityChangedNotification, reachability, [&](const foundation::Notification&) {
            record(foundation::DispatchQueue::isMainThread() ? "posted on main" : "posted elsewhere");
        });

    ASSERT_TRUE(reachability->startNotifier());
    ASSERT_NE(reachability->reachabilitySerialQueue(), nullptr);
    EXPECT_EQ(reachability->reachabilitySerialQueue()->label(), "com.ferrowick.reachability");
    EXPECT_EQ(reachability->reachabilityObject(), reachability);

    m_network->setFlags("pay.example.com", kReachabilityFlagsReachable);
    m_network->triggerChange();
    deliver(reachability);
    m_network->setFlags("pay.example.com", 0);
    m_network->triggerChange();
    deliver(reachability);
    EXPECT_EQ(events,
        (std::vector<std::string> { "reachable", "posted on main", "unreachable", "posted on main" }));
    reachability->stopNotifier();
}

TEST_F(ReachabilityTest, restarted_notifier_replaces_its_queue_and_reports_each_change_once)
{
    auto reachability = Reachability::reachabilityForInternetConnection();
    int calls = 0;
    reachability->setReachableBlock([&](const std::shared_ptr<Reachability>&) { ++calls; });
    ASSERT_TRUE(reachability->startNotifier());
    auto firstQueue = reachability->reachabilitySerialQueue();
    ASSERT_TRUE(reachability->startNotifier());
    EXPECT_NE(reachability->reachabilitySerialQueue(), firstQueue);

    m_network->setFlags("0.0.0.0", kReachabilityFlagsReachable);
    m_network->triggerChange();
    firstQueue->syncFlush();
    deliver(reachability);
    EXPECT_EQ(calls, 1);
    reachability->stopNotifier();
}

TEST_F(ReachabilityTest, started_object_lives_until_stopped_and_then_hears_nothing)
{
    auto idle = Reachability::reachabilityForLocalWiFi();
    idle->stopNotifier();
    EXPECT_EQ(idle->reachabilityObject(), nullptr);
    EXPECT_EQ(idle->reachabilitySerialQueue(), nullptr);

    int calls = 0;
    std::weak_ptr<Reachability> weak;
    {
        auto reachability = Reachability::reachabilityForLocalWiFi();
        reachability->setReachableBlock([&](const std::shared_ptr<Reachability>&) { ++calls; });
        ASSERT_TRUE(reachability->startNotifier());
        weak = reachability;
    }
    auto kept = weak.lock();
    ASSERT_NE(kept, nullptr);
    kept->stopNotifier();
    EXPECT_FALSE(m_network->isStarted());
    m_network->setFlags("169.254.0.0", kReachabilityFlagsReachable);
    m_network->triggerChange();
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(calls, 0);
    kept.reset();
    EXPECT_TRUE(weak.expired());
}
