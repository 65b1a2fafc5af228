#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace foundation;

TEST(NotificationCenter, DeliversToMatchingObserversInRegistrationOrder)
{
    NotificationCenter center;
    auto sender = std::make_shared<int>(1);
    auto other = std::make_shared<int>(2);
    std::vector<std::string> log;
    auto any
        = center.addObserverForName("changed", nullptr, [&](const Notification&) { log.push_back("any"); });
    auto mine = center.addObserverForName("changed", sender, [&](const Notification& notification) {
        log.push_back("mine:" + notification.userInfo.value("key", ""));
    });
    auto unrelated
        = center.addObserverForName("other", nullptr, [&](const Notification&) { log.push_back("other"); });

    center.postNotificationName("changed", sender, { { "key", "v" } });
    center.postNotificationName("changed", other);
    EXPECT_EQ(log, (std::vector<std::string> { "any", "mine:v", "any" }));
}

TEST(NotificationCenter, ObserversChangedDuringDeliveryTakeEffectSafely)
{
    NotificationCenter center;
    std::vector<std::string> log;
    Subscription second;
    Subscription late;
    auto first = center.addObserverForName("n", nullptr, [&](const Notification&) {
        log.push_back("first");
        second.reset();
        if (!late.isActive())
            late = center.addObserverForName(
                "n", nullptr, [&](const Notification&) { log.push_back("late"); });
    });
    second = center.addObserverForName("n", nullptr, [&](const Notification&) { log.push_back("second"); });
    Subscription self;
    self = center.addObserverForName("n", nullptr, [&](const Notification&) {
        log.push_back("self");
        self.reset();
    });

    center.postNotificationName("n");
    center.postNotificationName("n");
    EXPECT_EQ(log, (std::vector<std::string> { "first", "self", "first", "late" }));
}

TEST(NotificationCenter, DroppedTokenStopsDeliveryAndMayOutliveTheCenter)
{
    int calls = 0;
    Subscription survivor;
    {
        NotificationCenter center;
        auto token = center.addObserverForName("n", nullptr, [&](const Notification&) { ++calls; });
        survivor = center.addObserverForName("n", nullptr, [&](const Notification&) { ++calls; });
        token.reset();
        center.postNotificationName("n");
    }
    survivor.reset();
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, DeliversOnThePostingThread)
{
    auto& center = NotificationCenter::defaultCenter();
    std::optional<std::thread::id> deliveredOn;
    auto token = center.addObserverForName(
        "test.thread", nullptr, [&](const Notification&) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id posterId;
    std::thread poster([&] {
        posterId = std::this_thread::get_id();
        center.postNotificationName("test.thread");
    });
    poster.join();
    EXPECT_EQ(deliveredOn, posterId);
}
