// The response cache's index file as the engine reads it when the cache is
// switched on: whatever is on disk, as a property list or as the JSON index
// of earlier versions.
//
// Input: the file's bytes. Every entry kept must name a body file safely (a
// hexadecimal identifier) and hold only header values a request can send and
// the property list can hold again.

#include "netengine/NetworkEngineCache.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(const std::optional<NetworkEngineCache::Index>& index)
{
    if (!index)
        return;
    for (const auto& [key, headers] : *index) {
        bool const hex = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        });
        if (!hex || key.find('/') != std::string::npos)
            std::abort();
        for (const auto& [field, value] : headers.fields())
            if (!net::HTTPHeaders::isSafeValue(value) || !foundation::PropertyList::canHoldText(value))
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view const text(reinterpret_cast<const char*>(data), size);
    check(NetworkEngineCache::readIndex(text));
    check(NetworkEngineCache::readLegacyIndex(text));
    return 0;
}
