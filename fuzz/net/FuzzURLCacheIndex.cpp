// The earlier versions' URL cache index file, as the first start that finds it
// reads it to move its entries into the database: whatever is on disk.
//
// Input: the file's bytes. Every entry kept must name a body file inside the
// cache's directory, be a 200, and hold only header fields that could be sent;
// writing the entries and reading them back must keep every one of them.

#include "platform/net/URLCache.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool sendable(const std::string& name, const std::string& value)
{
    return !name.empty() && name.find_first_of(" :\t\r\n") == std::string::npos
        && value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto const entries
        = net::URLCache::readIndex(std::string_view(reinterpret_cast<const char*>(data), size));
    for (auto const& entry : entries) {
        bool const safeFile = entry.file.size() == 16
            && std::all_of(entry.file.begin(), entry.file.end(),
                [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
        if (!safeFile || entry.statusCode != 200 || entry.url.empty())
            std::abort();
        for (auto const& [name, value] : entry.headers.fields())
            if (!sendable(name, value))
                std::abort();
        for (auto const& [name, value] : entry.varyingFields)
            if (!sendable(name, value.value_or("")))
                std::abort();
    }
    if (net::URLCache::readIndex(net::URLCache::writeIndex(entries)).size() != entries.size())
        std::abort();
    return 0;
}
