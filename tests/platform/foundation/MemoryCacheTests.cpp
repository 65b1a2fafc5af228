#include "platform/foundation/MemoryCache.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using foundation::MemoryCache;

namespace {

using ImageCache = MemoryCache<std::string, std::shared_ptr<int>>;

bool has(ImageCache& cache, const std::string& key)
{
    return cache.objectForKey(key).has_value();
}

} // namespace

TEST(MemoryCacheTest, CountLimitEvictsLeastRecentlyUsedWithHitsCountingAsUse)
{
    ImageCache cache("images");
    cache.setCountLimit(2);
    cache.setObject("a", std::make_shared<int>(1));
    cache.setObject("b", std::make_shared<int>(2));
    ASSERT_TRUE(has(cache, "a"));
    cache.setObject("c", std::make_shared<int>(3));
    EXPECT_TRUE(has(cache, "a"));
    EXPECT_FALSE(has(cache, "b"));
    EXPECT_TRUE(has(cache, "c"));
    // Replacing a key makes it the newest without counting it twice.
    cache.setObject("a", std::make_shared<int>(10));
    cache.setObject("d", std::make_shared<int>(4));
    EXPECT_EQ(**cache.objectForKey("a"), 10);
    EXPECT_FALSE(has(cache, "c"));
    EXPECT_EQ(cache.count(), 2u);
}

TEST(MemoryCacheTest, CostLimitKeepsTotalWithinBoundAndRefusesAnObjectAboveIt)
{
    ImageCache cache;
    cache.setTotalCostLimit(100);
    cache.setObject("a", std::make_shared<int>(1), 40);
    cache.setObject("b", std::make_shared<int>(2), 40);
    // A replacement's new cost replaces the old one instead of adding to it.
    cache.setObject("b", std::make_shared<int>(2), 30);
    EXPECT_EQ(cache.totalCost(), 70u);
    cache.setObject("c", std::make_shared<int>(3), 50);
    EXPECT_FALSE(has(cache, "a"));
    EXPECT_EQ(cache.totalCost(), 80u);

    cache.setObject("huge", std::make_shared<int>(4), 101);
    EXPECT_FALSE(has(cache, "huge"));
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_EQ(cache.totalCost(), 0u);

    cache.setTotalCostLimit(0);
    cache.setObject("x", std::make_shared<int>(5), 60);
    cache.setObject("y", std::make_shared<int>(6), 60);
    // Lowering the limit applies at once.
    cache.setTotalCostLimit(70);
    EXPECT_FALSE(has(cache, "x"));
    EXPECT_TRUE(has(cache, "y"));
    cache.removeObjectForKey("y");
    EXPECT_EQ(cache.totalCost(), 0u);
}

TEST(MemoryCacheTest, ValueLeavingTheCacheMayUseItFromItsDestructor)
{
    struct Reentrant {
        MemoryCache<int, std::shared_ptr<Reentrant>>* cache;
        ~Reentrant() { cache->setObject(-1, nullptr); }
    };
    MemoryCache<int, std::shared_ptr<Reentrant>> cache;
    cache.setCountLimit(1);
    cache.setObject(1, std::make_shared<Reentrant>(Reentrant { &cache }));
    cache.setObject(2, std::make_shared<Reentrant>(Reentrant { &cache }));
    cache.removeAllObjects();
    EXPECT_LE(cache.count(), 1u);
}

TEST(MemoryCacheTest, ConcurrentUseKeepsCountAndCostConsistent)
{
    ImageCache cache;
    cache.setCountLimit(16);
    cache.setTotalCostLimit(400);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                std::string const key = std::to_string((i * 7 + t) % 40);
                switch (i % 4) {
                case 0:
                case 1:
                    cache.setObject(key, std::make_shared<int>(i), static_cast<size_t>(i % 30));
                    break;
                case 2:
                    cache.objectForKey(key);
                    break;
                case 3:
                    cache.removeObjectForKey(key);
                    break;
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_LE(cache.count(), 16u);
    EXPECT_LE(cache.totalCost(), 400u);
    // The bookkeeping matches what is left: removing it all brings both to zero.
    for (int key = 0; key < 40; ++key)
        cache.removeObjectForKey(std::to_string(key));
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_EQ(cache.totalCost(), 0u);
}
