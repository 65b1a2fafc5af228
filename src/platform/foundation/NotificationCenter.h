#pragma once

#include "platform/foundation/Notification.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/Subscription.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace foundation {

// Delivers a posted notification synchronously, on the posting thread, to every
// observer of its name in the order they were added. Observers may add and remove
// observers while being notified; dropping the token removes the observer.
class NotificationCenter {
public:
    using Block = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // `sender` nullptr observes every sender of `name`.
    [[nodiscard]] Subscription addObserverForName(const std::string& name, const void* sender, Block block);
    template<typename T>
    [[nodiscard]] Subscription addObserverForName(
        const std::string& name, const std::shared_ptr<T>& sender, Block block)
    {
        return addObserverForName(name, static_cast<const void*>(sender.get()), std::move(block));
    }

    void postNotification(const Notification& notification);
    void postNotificationName(std::string name, std::shared_ptr<void> object = nullptr,
        nlohmann::ordered_json userInfo = nlohmann::ordered_json::object());

private:
    using Observers = ObserverList<Notification>;

    std::mutex m_mutex;
    // Lists are never erased, so a list found under the lock stays valid without it.
    std::map<std::string, Observers, std::less<>> m_observers;
};

} // namespace foundation
