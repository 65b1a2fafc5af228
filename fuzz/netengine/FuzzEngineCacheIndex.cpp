// The response cache's index file as the engine reads it when the cache is
// switched on: whatever is on disk.
//
// Input: the file's bytes. Every entry kept must name a body file safely (a
// hexadecimal identifier) and hold only header values without line breaks.

#include "netengine/NetworkEngineCache.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto index = NetworkEngineCache::readIndex(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!index)
        return 0;
    for (const auto& [key, headers] : *index) {
        bool const hex = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        });
        if (!hex || key.find('/') != std::string::npos)
            std::abort();
        for (const auto& [field, value] : headers.fields())
            if (value.find_first_of("\r\n") != std::string::npos)
                std::abort();
    }
    return 0;
}
