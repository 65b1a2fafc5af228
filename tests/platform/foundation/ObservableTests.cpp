#include "platform/foundation/Observable.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using namespace foundation;

TEST(Observable, ObserversReceiveOldAndNewValueOnEverySet)
{
    Observable<double> offset { 1.0 };
    std::vector<std::pair<double, double>> seen;
    auto token
        = offset.observe([&](const double& old, const double& current) { seen.emplace_back(old, current); });
    offset.set(2.0);
    offset.set(2.0);
    EXPECT_FALSE(offset.setIfChanged(2.0));
    EXPECT_TRUE(offset.setIfChanged(-3.0));
    EXPECT_EQ(seen, (std::vector<std::pair<double, double>> { { 1, 2 }, { 2, 2 }, { 2, -3 } }));
}

TEST(ObserverList, RemovalDuringNotificationSkipsTheRemovedObserver)
{
    ObserverList<std::string> list;
    std::vector<std::string> log;
    Subscription second;
    auto first = list.add([&](const std::string& value) {
        log.push_back("first:" + value);
        second.reset();
    });
    second = list.add([&](const std::string& value) { log.push_back("second:" + value); });
    list.notify("x");
    EXPECT_EQ(log, (std::vector<std::string> { "first:x" }));
    EXPECT_EQ(list.size(), 1u);
}

TEST(ObserverList, TokenMayOutliveTheList)
{
    Subscription token;
    {
        ObserverList<int> list;
        token = list.add([](const int&) {});
    }
    token.reset();
    SUCCEED();
}
