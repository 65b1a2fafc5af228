// What the image loader costs over what it is built on: a memory hit against a
// bare map under a mutex, a disk hit against reading and decoding the same
// file by hand, and 50 portraits over loopback against curl's multi interface
// with the same connection limit (6). The ratios, all from the one run, are
// printed at its end.

#include "bench/support/CurlMultiGets.h"
#include "bench/support/RatioReporter.h"
#include "imagecache/ImageCache.h"
#include "imagecache/ImageDownloader.h"
#include "platform/graphics/Image.h"
#include "server/MerchantBackend.h"
#include "server/MerchantHttpServer.h"
#include "server/PngImage.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <unistd.h>
#include <unordered_map>

namespace {

constexpr int PortraitCount = 50;
constexpr long ConnectionLimit = 6;

std::filesystem::path benchDirectory()
{
    static std::filesystem::path const directory
        = std::filesystem::temp_directory_path() / ("imagecache-bench-" + std::to_string(::getpid()));
    return directory;
}

std::shared_ptr<imagecache::ImageCache> cache()
{
    static auto const shared = imagecache::ImageCache::create("bench", benchDirectory());
    return shared;
}

std::shared_ptr<const graphics::Image> portraitBitmap()
{
    return graphics::Image::fromPixels(80, 80, std::vector<std::uint32_t>(80 * 80, 0xff336699), 2.0, false);
}

std::vector<std::string> keys()
{
    std::vector<std::string> result;
    for (int i = 0; i < 64; ++i)
        result.push_back("http://127.0.0.1:8080/images/portrait/" + std::to_string(i) + ".png");
    return result;
}

void MemoryHit(benchmark::State& state)
{
    auto const all = keys();
    auto const image = portraitBitmap();
    for (const auto& key : all)
        cache()->storeImage(image, key, false);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(cache()->imageFromMemoryCacheForKey(all[i++ & 63]));
}

void MemoryHitBareMap(benchmark::State& state)
{
    auto const all = keys();
    auto const image = portraitBitmap();
    std::mutex mutex;
    std::unordered_map<std::string, std::shared_ptr<const graphics::Image>> map;
    for (const auto& key : all)
        map[key] = image;
    std::size_t i = 0;
    for (auto _ : state) {
        std::lock_guard lock(mutex);
        auto it = map.find(all[i++ & 63]);
        benchmark::DoNotOptimize(it == map.end() ? nullptr : it->second);
    }
}

const std::string& diskKey()
{
    static std::string const key = [] {
        std::string const portrait = merchant::PngImage::portrait(3);
        std::filesystem::create_directories(cache()->diskCachePath());
        std::string const k = "http://127.0.0.1:8080/images/portrait/3.png";
        std::ofstream(cache()->defaultCachePathForKey(k), std::ios::binary) << portrait;
        return k;
    }();
    return key;
}

void DiskHit(benchmark::State& state)
{
    std::string const& key = diskKey();
    for (auto _ : state)
        benchmark::DoNotOptimize(cache()->diskImageForKey(key));
}

void DiskHitRawReadAndDecode(benchmark::State& state)
{
    auto const path = cache()->defaultCachePathForKey(diskKey());
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::string const bytes((std::istreambuf_iterator<char>(in)), {});
        benchmark::DoNotOptimize(graphics::Image::fromData(bytes));
    }
}

merchant::MerchantHttpServer& server()
{
    static auto const running = [] {
        auto s
            = std::make_unique<merchant::MerchantHttpServer>(std::make_shared<merchant::MerchantBackend>());
        s->start(0);
        return s;
    }();
    return *running;
}

std::string portraitURL(int n)
{
    return "http://" + server().host() + "/images/portrait/" + std::to_string(n) + ".png";
}

void PortraitsOverLoopback(benchmark::State& state)
{
    auto downloader = imagecache::ImageDownloader::create();
    downloader->setMaxConcurrentDownloads(ConnectionLimit);
    for (auto _ : state) {
        std::mutex mutex;
        std::condition_variable finished;
        int remaining = PortraitCount;
        for (int n = 1; n <= PortraitCount; ++n) {
            auto token = downloader->downloadImageWithURL(
                portraitURL(n), 0, nullptr, [&](auto const& image, auto const&, auto const&, bool) {
                    if (!image)
                        state.SkipWithError("a portrait did not load");
                    std::lock_guard lock(mutex);
                    if (--remaining == 0)
                        finished.notify_one();
                });
            benchmark::DoNotOptimize(token);
        }
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return remaining == 0; });
    }
}

void PortraitsRawCurlMulti(benchmark::State& state)
{
    std::vector<std::string> urls;
    for (int n = 1; n <= PortraitCount; ++n)
        urls.push_back(portraitURL(n));
    bench::CurlMultiGets gets(urls, ConnectionLimit);
    for (auto _ : state) {
        if (!gets.run())
            state.SkipWithError("a portrait did not load");
    }
}

} // namespace

BENCHMARK(MemoryHit);
BENCHMARK(MemoryHitBareMap);
BENCHMARK(DiskHit);
BENCHMARK(DiskHitRawReadAndDecode);
BENCHMARK(PortraitsOverLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PortraitsRawCurlMulti)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printRatio("memory hit", "MemoryHit", "a bare map look-up under a mutex", "MemoryHitBareMap");
    reporter.printRatio(
        "disk hit", "DiskHit", "a raw read and decode of the file", "DiskHitRawReadAndDecode");
    reporter.printRatio("50 portraits over loopback", "PortraitsOverLoopback",
        "raw curl multi with the same connection limit", "PortraitsRawCurlMulti");
    std::error_code ignored;
    std::filesystem::remove_all(benchDirectory(), ignored);
    return 0;
}
