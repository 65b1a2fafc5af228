#include "imagecache/AutoPurgeCache.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Application.h"

namespace imagecache {

AutoPurgeCache::AutoPurgeCache(std::string name)
    : MemoryCache(std::move(name))
{
    setTotalCostLimit(defaultTotalCostLimit);
    // The subscription is a member: it ends before the cache it points at.
    m_memoryWarning = foundation::NotificationCenter::defaultCenter().addObserverForName(
        kit::Application::didReceiveMemoryWarningNotification, nullptr,
        [this](const auto&) { removeAllObjects(); });
}

} // namespace imagecache
