// What the image loader costs over what it is built on: a memory hit against a
// bare map under a mutex, a disk hit against reading and decoding the same
// file by hand, 50 portraits over loopback against curl's multi interface
// with the same connection limit (6), and the TIFF and WebP decoders against
// libtiff's RGBA reader and libwebp's decoder on the same 640 x 480 picture.
// The ratios, all from the one run, are printed at its end.

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
#include <tiffio.h>
#include <unistd.h>
#include <unordered_map>
#include <webp/decode.h>
#include <webp/encode.h>

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

// A photograph's worth of detail: gradients crossed with a pattern that does
// not repeat along a row, so neither codec finds it trivial.
constexpr int PictureWidth = 640, PictureHeight = 480;

std::vector<std::uint32_t> pictureWords()
{
    std::vector<std::uint32_t> words;
    words.reserve(PictureWidth * PictureHeight);
    std::uint32_t noise = 12345;
    for (int y = 0; y < PictureHeight; ++y) {
        for (int x = 0; x < PictureWidth; ++x) {
            noise = noise * 1103515245 + 12345;
            std::uint32_t const red = x * 255 / PictureWidth, green = y * 255 / PictureHeight;
            std::uint32_t const blue = ((x ^ y) & 0xff) ^ (noise >> 28);
            words.push_back(0xff000000u | red << 16 | green << 8 | blue);
        }
    }
    return words;
}

// LZW-compressed RGB strips of 16 rows, as a scanner writes them.
const std::filesystem::path& tiffPath()
{
    static std::filesystem::path const path = [] {
        std::filesystem::create_directories(benchDirectory());
        auto const file = benchDirectory() / "picture.tif";
        TIFF* out = TIFFOpen(file.c_str(), "w");
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, PictureWidth);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, PictureHeight);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, 16);
        auto const words = pictureWords();
        std::vector<std::uint8_t> row(PictureWidth * 3);
        for (int y = 0; y < PictureHeight; ++y) {
            for (int x = 0; x < PictureWidth; ++x) {
                std::uint32_t const p = words[y * PictureWidth + x];
                row[x * 3] = std::uint8_t(p >> 16);
                row[x * 3 + 1] = std::uint8_t(p >> 8);
                row[x * 3 + 2] = std::uint8_t(p);
            }
            TIFFWriteScanline(out, row.data(), y, 0);
        }
        TIFFClose(out);
        return file;
    }();
    return path;
}

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string webpBytes(bool lossless)
{
    auto const words = pictureWords();
    std::uint8_t* encoded = nullptr;
    auto const* bgra = reinterpret_cast<const std::uint8_t*>(words.data());
    std::size_t const size = lossless
        ? WebPEncodeLosslessBGRA(bgra, PictureWidth, PictureHeight, PictureWidth * 4, &encoded)
        : WebPEncodeBGRA(bgra, PictureWidth, PictureHeight, PictureWidth * 4, 85, &encoded);
    std::string bytes(reinterpret_cast<const char*>(encoded), size);
    WebPFree(encoded);
    return bytes;
}

void decodeWithImage(benchmark::State& state, const std::string& bytes)
{
    for (auto _ : state) {
        auto image = graphics::Image::fromData(bytes);
        if (!image)
            state.SkipWithError("the picture did not decode");
        benchmark::DoNotOptimize(image);
    }
}

void TiffDecode(benchmark::State& state)
{
    decodeWithImage(state, fileBytes(tiffPath()));
}

// libtiff's RGBA reader alone, top row first, on a file opened once: what
// opening and reading the directory costs is left out of the baseline.
void TiffRawDecode(benchmark::State& state)
{
    std::vector<std::uint32_t> raster(PictureWidth * PictureHeight);
    TIFF* in = TIFFOpen(tiffPath().c_str(), "r");
    for (auto _ : state) {
        if (!in || !TIFFReadRGBAImageOriented(in, PictureWidth, PictureHeight, raster.data(), ORIENTATION_TOPLEFT, 1))
            state.SkipWithError("libtiff did not decode the picture");
        benchmark::DoNotOptimize(raster.data());
    }
    if (in)
        TIFFClose(in);
}

void webpRawDecode(benchmark::State& state, const std::string& bytes)
{
    std::vector<std::uint32_t> pixels(PictureWidth * PictureHeight);
    auto const* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (auto _ : state) {
        if (!WebPDecodeBGRAInto(data, bytes.size(), reinterpret_cast<std::uint8_t*>(pixels.data()),
                pixels.size() * 4, PictureWidth * 4))
            state.SkipWithError("libwebp did not decode the picture");
        benchmark::DoNotOptimize(pixels.data());
    }
}

void WebPLossyDecode(benchmark::State& state)
{
    decodeWithImage(state, webpBytes(false));
}

void WebPLossyRawDecode(benchmark::State& state)
{
    webpRawDecode(state, webpBytes(false));
}

void WebPLosslessDecode(benchmark::State& state)
{
    decodeWithImage(state, webpBytes(true));
}

void WebPLosslessRawDecode(benchmark::State& state)
{
    webpRawDecode(state, webpBytes(true));
}

} // namespace

BENCHMARK(MemoryHit);
BENCHMARK(MemoryHitBareMap);
BENCHMARK(DiskHit);
BENCHMARK(DiskHitRawReadAndDecode);
BENCHMARK(PortraitsOverLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PortraitsRawCurlMulti)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TiffDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(TiffRawDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(WebPLossyDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(WebPLossyRawDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(WebPLosslessDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(WebPLosslessRawDecode)->Unit(benchmark::kMillisecond);

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
    reporter.printRatio("TIFF decode", "TiffDecode", "libtiff's RGBA reader", "TiffRawDecode");
    reporter.printRatio("lossy WebP decode", "WebPLossyDecode", "libwebp into a buffer", "WebPLossyRawDecode");
    reporter.printRatio(
        "lossless WebP decode", "WebPLosslessDecode", "libwebp into a buffer", "WebPLosslessRawDecode");
    std::error_code ignored;
    std::filesystem::remove_all(benchDirectory(), ignored);
    return 0;
}
