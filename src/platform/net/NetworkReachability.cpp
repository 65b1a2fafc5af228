#include "platform/net/NetworkReachability.h"

namespace net {

std::shared_ptr<NetworkReachability> NetworkReachability::createWithName(std::string_view name)
{
    auto target = ReachabilityTarget::fromName(name);
    if (!target)
        return nullptr;
    return std::make_shared<NetworkReachability>(std::move(*target));
}

std::shared_ptr<NetworkReachability> NetworkReachability::createWithAddress(const SocketAddress& address)
{
    return std::make_shared<NetworkReachability>(ReachabilityTarget::fromAddress(address));
}

NetworkReachability::NetworkReachability(ReachabilityTarget target)
    : m_target(std::move(target))
{
}

std::optional<ReachabilityFlags> NetworkReachability::flags() const
{
    return NetworkState::flags(m_target);
}

bool NetworkReachability::setCallback(Callback callback)
{
    {
        std::scoped_lock lock(m_mutex);
        m_callback = std::move(callback);
    }
    updateWatch();
    return true;
}

bool NetworkReachability::setDispatchQueue(Executor executor)
{
    {
        std::scoped_lock lock(m_mutex);
        m_executor = std::move(executor);
    }
    updateWatch();
    return true;
}

void NetworkReachability::updateWatch()
{
    bool wanted = false;
    bool watching = false;
    {
        std::scoped_lock lock(m_mutex);
        wanted = m_callback && m_executor;
        watching = static_cast<bool>(m_watch);
    }
    if (wanted == watching)
        return;
    NetworkState::Watch watch;
    if (wanted) {
        // Changes are measured from the flags at the moment watching begins.
        ReachabilityFlags current = flags().value_or(0);
        std::weak_ptr<NetworkReachability> weakThis = weak_from_this();
        watch = NetworkState::watch([weakThis] {
            if (auto self = weakThis.lock())
                self->networkStateChanged();
        });
        std::scoped_lock lock(m_mutex);
        m_lastFlags = current;
        std::swap(watch, m_watch);
    } else {
        std::scoped_lock lock(m_mutex);
        std::swap(watch, m_watch);
    }
    // The old watch, if any, is dropped here, outside the lock, because
    // dropping the last one stops the source.
}

void NetworkReachability::networkStateChanged()
{
    std::scoped_lock changeLock(m_changeMutex);
    ReachabilityFlags current = flags().value_or(0);
    Callback callback;
    Executor executor;
    {
        std::scoped_lock lock(m_mutex);
        if (!m_callback || !m_executor || current == m_lastFlags)
            return;
        m_lastFlags = current;
        callback = m_callback;
        executor = m_executor;
    }
    executor([callback, current] { callback(current); });
}

} // namespace net
