// The URL cache's database as a new process finds it: whatever bytes are on disk.
//
// Input: the database file's bytes. Opening never fails into a cache without a
// disk: what is not a database is set aside and a new one made. Every response
// it then serves is a 200 whose header fields could all be sent, with a body of
// the size it was stored with; and a response stored afterwards is there after
// the cache is opened again.

#include "platform/net/URLCache.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

bool sendable(const std::string& name, const std::string& value)
{
    return !name.empty() && name.find_first_of(" :\t\r\n") == std::string::npos
        && value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

void check(const std::optional<net::CachedURLResponse>& response)
{
    if (!response)
        return;
    if (response->response().statusCode() != 200)
        std::abort();
    for (auto const& [name, value] : response->response().allHeaderFields().fields())
        if (!sendable(name, value))
            std::abort();
    auto const length = response->response().valueForHTTPHeaderField("Content-Length");
    if (length && *length != std::to_string(response->data().size()))
        std::abort();
}

// Until the cache is let go: work it queued holds it until the flush is done,
// after which this is the last owner and closes the database here.
void close(std::shared_ptr<net::URLCache> cache)
{
    cache->flush();
    std::weak_ptr<net::URLCache> closing = cache;
    cache.reset();
    while (!closing.expired())
        std::this_thread::yield();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A directory of its own for each input, so that no input can meet a file
    // an earlier one left behind.
    static std::filesystem::path const parent
        = std::filesystem::temp_directory_path() / ("fuzz-url-cache-" + std::to_string(::getpid()));
    static int input = 0;
    std::filesystem::remove_all(parent / std::to_string(input));
    auto const directory = parent / std::to_string(++input);
    std::filesystem::create_directories(directory);
    std::ofstream(directory / "Cache.db", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    // The seed's rows are under these URLs.
    auto const url = [](int number) { return "http://f/" + std::to_string(number); };
    {
        auto cache = net::URLCache::create(1 << 16, 1 << 20, directory);
        // The database is read only once it has been checked, on the cache's queue.
        cache->flush();
        for (int number = 0; number < 4; ++number) {
            net::URLRequest request(url(number));
            cache->hasCachedResponseForRequest(request);
            check(cache->cachedResponseForRequest(request));
        }
        net::HTTPHeaders headers;
        headers.set("Cache-Control", "max-age=600");
        headers.set("Content-Length", "3");
        cache->storeCachedResponse(net::CachedURLResponse(net::HTTPURLResponse(url(9), 200, headers),
                                       std::make_shared<const std::string>("new"), 1, 1, {}),
            net::URLRequest(url(9)));
        close(std::move(cache));
    }
    auto again = net::URLCache::create(1 << 16, 1 << 20, directory);
    again->flush();
    auto stored = again->cachedResponseForRequest(net::URLRequest(url(9)));
    if (!stored || stored->data() != "new")
        std::abort();
    for (int number = 0; number < 4; ++number)
        check(again->cachedResponseForRequest(net::URLRequest(url(number))));
    close(std::move(again));
    return 0;
}
