#pragma once

#include "platform/foundation/MemoryCache.h"
#include "platform/foundation/Subscription.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <string>

namespace imagecache {

// Decoded images in memory, emptied when the system warns of low memory.
// Linux sends no such warning unless the program posts one, so the cache
// also starts with a cost limit (cost = pixels) that bounds it by itself.
class AutoPurgeCache : public foundation::MemoryCache<std::string, std::shared_ptr<const graphics::Image>> {
public:
    // 24 million pixels: about 96 MB of decoded bitmaps.
    static constexpr std::size_t defaultTotalCostLimit = 24u * 1024 * 1024;

    explicit AutoPurgeCache(std::string name);

private:
    foundation::Subscription m_memoryWarning;
};

} // namespace imagecache
