// What a memory-cache hit costs against the least a thread-safe look-up can cost: the
// same hash map of image URLs under a plain mutex, with no recency or limits. The
// cache's bookkeeping on a hit is the difference. Ends with the ratio of the two.

#include "bench/support/RatioReporter.h"
#include "platform/foundation/MemoryCache.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Image {
    int width { 0 };
    int height { 0 };
};

constexpr int keyCount = 1000;

std::vector<std::string> imageURLs()
{
    std::vector<std::string> urls;
    for (int i = 0; i < keyCount; ++i)
        urls.push_back(
            "http://127.0.0.1:8080/upload/goods/2016/04/" + std::to_string(i * 7919) + "_thumb.jpg");
    return urls;
}

// Visits the keys in a scattered order, so neither side enjoys one hot entry.
std::vector<int> visitOrder()
{
    std::vector<int> order;
    for (int i = 0; i < keyCount; ++i)
        order.push_back((i * 383) % keyCount);
    return order;
}

void BareMapUnderMutex(benchmark::State& state)
{
    auto const urls = imageURLs();
    auto const order = visitOrder();
    std::mutex mutex;
    std::unordered_map<std::string, std::shared_ptr<Image>> map;
    for (auto& url : urls)
        map.emplace(url, std::make_shared<Image>());
    size_t next = 0;
    for (auto _ : state) {
        std::shared_ptr<Image> hit;
        {
            std::lock_guard lock(mutex);
            auto const it = map.find(urls[order[next]]);
            if (it != map.end())
                hit = it->second;
        }
        benchmark::DoNotOptimize(hit);
        next = (next + 1) % order.size();
    }
}

void MemoryCacheHit(benchmark::State& state)
{
    auto const urls = imageURLs();
    auto const order = visitOrder();
    foundation::MemoryCache<std::string, std::shared_ptr<Image>> cache("images");
    cache.setCountLimit(2 * keyCount);
    for (auto& url : urls)
        cache.setObject(url, std::make_shared<Image>(), 120 * 120 * 4);
    size_t next = 0;
    for (auto _ : state) {
        auto hit = cache.objectForKey(urls[order[next]]);
        benchmark::DoNotOptimize(hit);
        next = (next + 1) % order.size();
    }
}

BENCHMARK(BareMapUnderMutex);
BENCHMARK(MemoryCacheHit);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printRatio(
        "MemoryCache hit", "MemoryCacheHit", "a bare map look-up under a mutex", "BareMapUnderMutex");
    return 0;
}
