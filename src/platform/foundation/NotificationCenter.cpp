#include "platform/foundation/NotificationCenter.h"

#include <new>

namespace foundation {

namespace {

// Never destroyed: jobs the worker pool drains at exit, after every static made later
// than it is gone, may still post.
struct DefaultCenterStorage {
    DefaultCenterStorage() { new (&m_center) NotificationCenter(); }
    ~DefaultCenterStorage() { }
    DefaultCenterStorage(const DefaultCenterStorage&) = delete;
    DefaultCenterStorage& operator=(const DefaultCenterStorage&) = delete;
    union {
        NotificationCenter m_center;
    };
};

} // namespace

NotificationCenter& NotificationCenter::defaultCenter()
{
    static DefaultCenterStorage storage;
    return storage.m_center;
}

Subscription NotificationCenter::addObserverForName(const std::string& name, const void* sender, Block block)
{
    if (!block)
        return {};
    Observers* observers;
    {
        std::lock_guard lock(m_mutex);
        observers = &m_observers.try_emplace(name).first->second;
    }
    return observers->add([sender, block = std::move(block)](const Notification& notification) {
        if (!sender || notification.object.get() == sender)
            block(notification);
    });
}

void NotificationCenter::postNotification(const Notification& notification)
{
    Observers* observers = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_observers.find(notification.name);
        if (it != m_observers.end())
            observers = &it->second;
    }
    if (observers)
        observers->notify(notification);
}

void NotificationCenter::postNotificationName(
    std::string name, std::shared_ptr<void> object, nlohmann::ordered_json userInfo)
{
    postNotification({ std::move(name), std::move(object), std::move(userInfo) });
}

} // namespace foundation
